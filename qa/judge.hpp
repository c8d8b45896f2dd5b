// The verdict of one check of one tile, by the limits, from the tile's
// figures and the delivery's.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "delivery_figures.hpp"
#include "facts.hpp"
#include "limits.hpp"
#include "tile_names.hpp"
#include "verdict.hpp"

namespace pointsieve::qa {

// The verdict of one check of tile k, and for a verdict other than pass the
// value and the limit to print.
struct Judgement {
    Verdict verdict;
    std::string value, limit;
};

// Judges tile k by check (an index into kChecks): the worst verdict of the
// criteria that apply.
Judgement judge(const Limits &limits, const Delivery &d, const FactsTable &facts, const TileNames &names,
                std::size_t k, std::size_t check);

}  // namespace pointsieve::qa
