// Reading a tile index and matching a delivery against it.
#include "tile_index.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "file_util.hpp"
#include "list_names.hpp"
#include "paths.hpp"
#include "process.hpp"

namespace pointsieve::qa {

std::string index_stem(const std::string &name) {
    std::string stem = name.substr(name.find_last_of("/\\") == std::string::npos ? 0 : name.find_last_of("/\\") + 1);
    if (ends_with_ci(stem, ".las") || ends_with_ci(stem, ".laz")) stem.resize(stem.size() - 4);
    for (char &c : stem) c = ascii_lower(c);
    return stem;
}

bool read_tile_index(const char *path, TileIndex &index) {
    const korvane::FilePtr file = korvane::open_file(path, "rb");
    if (!file) {
        std::printf("\nCannot open tile index %s for reading: %s\n", korvane::printable_name(path).c_str(),
                    std::strerror(errno));
        return false;
    }
    index.given = true;
    ListReading reading{file.get()};
    for (std::string line; next_list_line(reading, line);) {
        index.by_stem.try_emplace(index_stem(line), index.names.size());
        index.names.push_back(line);
    }
    if (reading.too_long) {
        std::printf("\nTile index %s, line %llu: longer than %llu bytes\n", korvane::printable_name(path).c_str(),
                    static_cast<unsigned long long>(reading.line), static_cast<unsigned long long>(kLongestListLine));
        return false;
    }
    if (std::ferror(file.get())) {
        std::printf("\nCannot read tile index %s\n", korvane::printable_name(path).c_str());
        return false;
    }
    return true;
}

void match_tile_index(const TileIndex &index, const TileNames &tiles, std::vector<char> &unexpected,
                      std::vector<std::string> &missing) {
    unexpected.clear();
    missing.clear();
    if (!index.given) return;
    std::vector<char> delivered(index.names.size(), 0);
    unexpected.assign(tiles.starts.size(), 0);
    for (std::size_t k = 0; k < tiles.starts.size(); ++k) {
        const auto found = index.by_stem.find(index_stem(name_at(tiles, k)));
        if (found == index.by_stem.end())
            unexpected[k] = 1;
        else
            delivered[found->second] = 1;
    }
    for (std::size_t k = 0; k < index.names.size(); ++k) {
        const auto first = index.by_stem.find(index_stem(index.names[k]));
        if (!delivered[first->second] && first->second == k) missing.push_back(index.names[k]);
    }
}

}  // namespace pointsieve::qa
