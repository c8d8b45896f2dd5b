// The grid most tiles of a delivery are cut to: its period along X and Y
// (the spacing of the tiles' columns and rows) and the position of its
// cells, found from the tiles themselves, so that a tile shifted off the
// grid is told from the tiles it lands on.
#pragma once

#include <cstdint>
#include <vector>

#include "box.hpp"

namespace pointsieve::qa {

struct TileGrid {
    bool found = false;
    double period[2] = {0, 0};  // X, Y
    double centre[2] = {0, 0};  // a cell centre's position within a period
};

// Share of a tile's box, in percent, below which it fits its cell.
inline constexpr double kFitsGrid = 5.0;

// The grid of the tiles at `placed` in boxes, whose median size is size:
// found when at least half of them fit it.
TileGrid find_grid(const std::vector<Box> &boxes, const std::vector<std::uint32_t> &placed, double size);

// The percent of box outside the cell of g that holds its centre.
double off_grid_percent(const TileGrid &g, const Box &box);

// The column and row of the cell of g that holds box's centre; false where
// they lie beyond 2^52 cells, where an index means nothing.
bool grid_cell(const TileGrid &g, const Box &box, std::int64_t &column, std::int64_t &row);

}  // namespace pointsieve::qa
