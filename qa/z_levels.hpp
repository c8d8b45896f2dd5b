// Each tile's height against its neighbours on the delivery's grid: at each
// side it shares with a neighbour, its height there less the neighbour's,
// and of these the median (of an even number, the middle one nearer 0). A
// tile raised, lowered or in other units differs at every side; its
// neighbours, at one side each, keep a median near 0.
#pragma once

#include <cstdint>
#include <vector>

#include "box.hpp"
#include "facts.hpp"
#include "tile_grid.hpp"

namespace pointsieve::qa {

// z_level[k]: the magnitude of that median for each tile at `placed` that
// fits grid g (fits[k]) and has a neighbour on it; NaN for the others.
void find_z_levels(const FactsTable &facts, const std::vector<Box> &boxes, const std::vector<std::uint32_t> &placed,
                   const TileGrid &g, const std::vector<bool> &fits, std::vector<double> &z_level);

}  // namespace pointsieve::qa
