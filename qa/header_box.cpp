// The header's box test: integer compares, no branches.
#include "header_box.hpp"

#include <algorithm>
#include <cmath>

#include "las_format.hpp"

namespace pointsieve::qa {

BoxTest box_test(const formats::LasHeader &h) {
    BoxTest t;
    const double scale[3] = {h.XScaleFactor, h.YScaleFactor, h.ZScaleFactor};
    const double offset[3] = {h.XOffset, h.YOffset, h.ZOffset};
    const double min[3] = {h.MinX, h.MinY, h.MinZ}, max[3] = {h.MaxX, h.MaxY, h.MaxZ};
    constexpr double kFar = 1099511627776.0;  // 2^40: beyond any 32-bit integer
    for (int a = 0; a < 3; ++a) {
        const double lo = std::ceil((min[a] - offset[a]) / scale[a] - 0.5);
        const double hi = std::floor((max[a] - offset[a]) / scale[a] + 0.5);
        if (!(scale[a] > 0) || !(lo <= hi)) {  // NaN included
            t.all_outside = true;
            continue;
        }
        const auto lo_i = static_cast<std::int64_t>(std::clamp(lo, -kFar, kFar));
        const auto hi_i = static_cast<std::int64_t>(std::clamp(hi, -kFar, kFar));
        t.lo[a] = lo_i;
        t.width[a] = static_cast<std::uint64_t>(hi_i - lo_i);
    }
    return t;
}

bool extents_inside(const PointScan &s, const BoxTest &t) {
    for (int a = 0; a < 3; ++a) {
        if (static_cast<std::uint64_t>(s.min[a] - t.lo[a]) > t.width[a]) return false;
        if (static_cast<std::uint64_t>(s.max[a] - t.lo[a]) > t.width[a]) return false;
    }
    return true;
}

std::uint64_t outside_points(const unsigned char *p, std::size_t n, std::size_t stride, const BoxTest &t) {
    using korvane::load_le;
    std::uint64_t out = 0;
    for (std::size_t k = 0; k < n; ++k, p += stride) {
        const std::int64_t x = load_le<std::int32_t>(p), y = load_le<std::int32_t>(p + 4);
        const std::int64_t z = load_le<std::int32_t>(p + 8);
        out += static_cast<std::uint64_t>((static_cast<std::uint64_t>(x - t.lo[0]) > t.width[0]) |
                                          (static_cast<std::uint64_t>(y - t.lo[1]) > t.width[1]) |
                                          (static_cast<std::uint64_t>(z - t.lo[2]) > t.width[2]));
    }
    return out;
}

}  // namespace pointsieve::qa
