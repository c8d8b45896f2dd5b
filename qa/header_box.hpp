// The header's box in the integer units of the point records, and the
// points that lie outside it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "las_header.hpp"
#include "point_scan.hpp"

namespace pointsieve::qa {

// The box widened by half a unit: a point is outside when its integer lies
// beyond it on any axis.
struct BoxTest {
    std::int64_t lo[3] = {};
    std::uint64_t width[3] = {};
    bool all_outside = false;  // a scale that is not positive, or a box upside down
};

BoxTest box_test(const formats::LasHeader &h);

// Whether every point lies in the box, as the points' extents tell.
bool extents_inside(const PointScan &s, const BoxTest &t);

// The points outside the box among n records stride bytes apart.
std::uint64_t outside_points(const unsigned char *p, std::size_t n, std::size_t stride, const BoxTest &t);

}  // namespace pointsieve::qa
