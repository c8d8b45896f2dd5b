// Finding the holes of the tile grid.
#include "holes.hpp"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <utility>

namespace pointsieve::qa {

namespace {

// Cells walked at most: beyond this the tiles' span is no delivery's.
constexpr std::int64_t kMostCells = std::int64_t{1} << 22;

}  // namespace

std::vector<Hole> find_holes(const TileGrid &g, const std::vector<Box> &boxes, const std::vector<std::uint32_t> &near) {
    std::vector<Hole> holes;
    if (!g.found || near.empty()) return holes;
    std::set<std::pair<std::int64_t, std::int64_t>> taken;  // (row, column)
    std::map<std::int64_t, std::pair<std::int64_t, std::int64_t>> rows, columns;  // the span of each
    for (const std::uint32_t k : near) {
        std::int64_t c = 0, r = 0;
        if (!grid_cell(g, boxes[k], c, r)) continue;
        taken.insert({r, c});
        const auto widen = [](auto &spans, std::int64_t at, std::int64_t v) {
            auto [it, fresh] = spans.try_emplace(at, v, v);
            if (!fresh) it->second = {std::min(it->second.first, v), std::max(it->second.second, v)};
        };
        widen(rows, r, c);
        widen(columns, c, r);
    }
    if (rows.empty()) return holes;
    const std::int64_t r0 = rows.begin()->first, r1 = rows.rbegin()->first;
    const std::int64_t c0 = columns.begin()->first, c1 = columns.rbegin()->first;
    if ((r1 - r0 + 1) > kMostCells / (c1 - c0 + 1)) return holes;
    for (std::int64_t r = r0; r <= r1; ++r) {
        const auto row = rows.find(r);
        for (std::int64_t c = c0; c <= c1; ++c) {
            if (taken.count({r, c})) continue;
            const auto column = columns.find(c);
            const bool in_row = row != rows.end() && c > row->second.first && c < row->second.second;
            const bool in_column = column != columns.end() && r > column->second.first && r < column->second.second;
            if (!in_row && !in_column) continue;
            Hole h;
            h.column = c, h.row = r;
            const double x = g.centre[0] + static_cast<double>(c) * g.period[0];
            const double y = g.centre[1] + static_cast<double>(r) * g.period[1];
            h.cell = {x - g.period[0] / 2, x + g.period[0] / 2, y - g.period[1] / 2, y + g.period[1] / 2};
            holes.push_back(h);
        }
    }
    return holes;
}

}  // namespace pointsieve::qa
