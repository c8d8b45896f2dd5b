// The holes of a delivery: cells of its tile grid that hold no tile with
// points, with such tiles on both sides of them along their row or along
// their column, so that a delivery of any outline shows only the cells
// missing inside it.
#pragma once

#include <cstdint>
#include <vector>

#include "box.hpp"
#include "tile_grid.hpp"

namespace pointsieve::qa {

struct Hole {
    std::int64_t column = 0, row = 0;  // the cell's place on the grid
    Box cell{};                        // its extent, in the data's units
};

// The holes among the cells of g that hold the centres of the tiles at
// `near` (tiles close to others: one far off leaves no line of holes to
// it), in order of row, then column. None when g was not found, or the
// cells' span is too large to walk.
std::vector<Hole> find_holes(const TileGrid &g, const std::vector<Box> &boxes, const std::vector<std::uint32_t> &near);

}  // namespace pointsieve::qa
