// The names of the tiles of a run, back to back, so that 100,000 names cost
// little more than their bytes.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace pointsieve::qa {

struct TileNames {
    std::string bytes;
    std::vector<std::size_t> starts;
};

inline void add_name(TileNames &n, const std::string &name) {
    n.starts.push_back(n.bytes.size());
    n.bytes += name;
}

inline std::string name_at(const TileNames &n, std::size_t k) {
    const std::size_t end = k + 1 < n.starts.size() ? n.starts[k + 1] : n.bytes.size();
    return n.bytes.substr(n.starts[k], end - n.starts[k]);
}

}  // namespace pointsieve::qa
