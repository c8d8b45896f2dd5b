// Heights against the neighbours.
#include "z_levels.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <utility>

#include "edge_heights.hpp"

namespace pointsieve::qa {

void find_z_levels(const FactsTable &facts, const std::vector<Box> &boxes, const std::vector<std::uint32_t> &placed,
                   const TileGrid &g, const std::vector<bool> &fits, std::vector<double> &z_level) {
    if (!g.found) return;
    std::map<std::pair<std::int64_t, std::int64_t>, std::uint32_t> cells;  // (column, row): the first tile there
    for (const std::uint32_t k : placed) {
        std::int64_t c = 0, r = 0;
        if (fits[k] && grid_cell(g, boxes[k], c, r)) cells.try_emplace({c, r}, k);
    }
    // Each side, the neighbour's cell across it and the neighbour's side.
    struct Across {
        Side side, facing;
        std::int64_t dc, dr;
    };
    constexpr Across kAcross[] = {{kWest, kEast, -1, 0}, {kEast, kWest, 1, 0}, {kSouth, kNorth, 0, -1}, {kNorth, kSouth, 0, 1}};
    std::vector<double> differences;
    for (const auto &[cell, k] : cells) {
        const Facts &t = facts_at(facts, k);
        differences.clear();
        for (const Across &a : kAcross) {
            const auto found = cells.find({cell.first + a.dc, cell.second + a.dr});
            if (found == cells.end()) continue;
            const Facts &u = facts_at(facts, found->second);
            for (std::size_t bin = 0; bin < kEdgeBins; ++bin) {
                const std::size_t mine = a.side * kEdgeBins + bin, theirs = a.facing * kEdgeBins + bin;
                if (t.has_edge_z[mine] && u.has_edge_z[theirs]) differences.push_back(t.edge_z[mine] - u.edge_z[theirs]);
            }
        }
        if (differences.empty()) continue;
        std::sort(differences.begin(), differences.end());
        const std::size_t n = differences.size();
        double median = differences[n / 2];
        if (n % 2 == 0 && std::abs(differences[n / 2 - 1]) < std::abs(median)) median = differences[n / 2 - 1];
        z_level[k] = std::abs(median);
    }
}

}  // namespace pointsieve::qa
