// The terrain of the generated delivery: one smooth ground under all its
// 100 m tiles, each tile's own terrain on it, and a clean tile of a few
// thousand points whose header is fitted to its points.
#pragma once

#include <cstdint>

#include "test_support.hpp"

namespace qa_delivery {

enum class Terrain { Flat, Hills, Forest, Town, Coast };

// The header's box from the points themselves.
void fit_header(testing_support::LasRecipe &r);

// A clean tile of about `count` points in grid cell (col, row), pulses of
// one to four returns as the terrain gives, GPS week seconds near 300,000.
testing_support::LasRecipe terrain_tile(unsigned seed, uint8_t minor, uint8_t format, Terrain t, double col, double row,
                                        int count, int unclassified_percent);

}  // namespace qa_delivery
