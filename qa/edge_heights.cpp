// The heights at a tile's sides.
#include "edge_heights.hpp"

#include <cmath>
#include <cstdio>

namespace pointsieve::qa {

namespace {

// Points a strip needs for its line.
constexpr double kFewestPoints = 8;

// The fitted line's height at the side, in integer units; false for too few
// points, or all at one distance (then their mean).
bool height_at_side(const EdgeFit &f, double &z) {
    if (f.n < kFewestPoints) return false;
    const double spread = f.n * f.dd - f.d * f.d;
    z = spread > 0 ? (f.z * f.dd - f.d * f.dz) / spread : f.z / f.n;
    return std::isfinite(z);
}

}  // namespace

EdgeStrips start_edge_strips(const formats::LasHeader &h) {
    EdgeStrips e;
    const double x0 = (h.MinX - h.XOffset) / h.XScaleFactor, x1 = (h.MaxX - h.XOffset) / h.XScaleFactor;
    const double y0 = (h.MinY - h.YOffset) / h.YScaleFactor, y1 = (h.MaxY - h.YOffset) / h.YScaleFactor;
    constexpr double kFar = 9.0e15;
    if (!(x1 > x0 && y1 > y0) || !(std::abs(x0) < kFar && std::abs(x1) < kFar && std::abs(y0) < kFar && std::abs(y1) < kFar))
        return e;
    e.on = true;
    e.x0 = std::llround(x0), e.x1 = std::llround(x1), e.y0 = std::llround(y0), e.y1 = std::llround(y1);
    const double wx = 0.03 * (x1 - x0), wy = 0.03 * (y1 - y0);
    e.x_in_west = std::llround(x0 + wx), e.x_in_east = std::llround(x1 - wx);
    e.y_in_south = std::llround(y0 + wy), e.y_in_north = std::llround(y1 - wy);
    return e;
}

std::string edge_heights_text(const EdgeStrips &e, const formats::LasHeader &h) {
    if (!e.on) return {};
    std::string text;
    for (std::size_t side = 0; side < 4; ++side) {
        for (std::size_t bin = 0; bin < kEdgeBins; ++bin) {
            if (side > 0 || bin > 0) text += bin == 0 ? ';' : ',';
            double z = 0;
            if (!(height_at_side(e.ground[side][bin], z) || height_at_side(e.last[side][bin], z))) continue;
            char number[40];
            std::snprintf(number, sizeof number, "%.2f", h.ZOffset + h.ZScaleFactor * z);
            text += number;
        }
    }
    return text;
}

}  // namespace pointsieve::qa
