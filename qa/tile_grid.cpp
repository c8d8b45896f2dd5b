// Finding the delivery's tile grid. The period of an axis is the median
// step between neighbouring columns (or rows) of tile centres; the cell
// centres sit where most tile centres fall within a period.
#include "tile_grid.hpp"

#include <algorithm>
#include <array>
#include <cmath>

#include "median.hpp"

namespace pointsieve::qa {

namespace {

double centre_of(const Box &b, int axis) { return axis == 0 ? (b.x0 + b.x1) / 2 : (b.y0 + b.y1) / 2; }

// The median step between sorted centres that lie in different columns:
// steps below half a tile are the jitter within a column, steps above one
// and a half tiles skip a column.
double period_of(const std::vector<Box> &boxes, const std::vector<std::uint32_t> &placed, double size, int axis) {
    std::vector<double> centres, steps;
    centres.reserve(placed.size());
    for (const std::uint32_t k : placed) centres.push_back(centre_of(boxes[k], axis));
    std::sort(centres.begin(), centres.end());
    for (std::size_t k = 1; k < centres.size(); ++k) {
        const double step = centres[k] - centres[k - 1];
        if (step > size / 2 && step < 1.5 * size) steps.push_back(step);
    }
    return steps.empty() ? 0 : lower_median(steps);
}

// Where within a period most centres fall: the fullest of 36 bins (with
// its two neighbours, around the circle), then the circular mean of the
// centres near it.
double cell_centre(const std::vector<Box> &boxes, const std::vector<std::uint32_t> &placed, double period, int axis) {
    constexpr std::size_t kBins = 36;
    constexpr double kTurn = 6.283185307179586;
    std::array<std::uint64_t, kBins> bins{};
    std::vector<double> phases;
    phases.reserve(placed.size());
    for (const std::uint32_t k : placed) {
        const double c = centre_of(boxes[k], axis);
        double phase = c / period - std::floor(c / period);
        if (!(phase >= 0 && phase < 1)) phase = 0;
        phases.push_back(phase);
        ++bins[std::min(kBins - 1, static_cast<std::size_t>(phase * kBins))];
    }
    std::size_t best = 0;
    std::uint64_t most = 0;
    for (std::size_t b = 0; b < kBins; ++b) {
        const std::uint64_t n = bins[(b + kBins - 1) % kBins] + bins[b] + bins[(b + 1) % kBins];
        if (n > most) most = n, best = b;
    }
    const double mode = (static_cast<double>(best) + 0.5) / kBins;
    double sx = 0, sy = 0;
    for (const double phase : phases) {
        double d = phase - mode;
        d -= std::round(d);
        if (std::abs(d) > 2.0 / kBins) continue;
        sx += std::cos(kTurn * phase), sy += std::sin(kTurn * phase);
    }
    double mean = std::atan2(sy, sx) / kTurn;
    if (mean < 0) mean += 1;
    return mean * period;
}

// The period and centre that best fit, by least squares, the centres of
// the tiles near their cells' centres against their cells' indices: a
// period taken from the steps alone drifts over a wide delivery.
void refine(TileGrid &g, const std::vector<Box> &boxes, const std::vector<std::uint32_t> &placed, int axis) {
    const double p = g.period[axis], c0 = g.centre[axis];
    double n = 0, si = 0, sc = 0, sii = 0, sic = 0;
    for (const std::uint32_t k : placed) {
        const double c = centre_of(boxes[k], axis), index = std::round((c - c0) / p);
        if (std::abs(c - c0 - index * p) > p / 10) continue;
        n += 1, si += index, sc += c, sii += index * index, sic += index * c;
    }
    const double spread = n * sii - si * si;
    if (n < 2 || !(spread > 0)) return;
    const double period = (n * sic - si * sc) / spread;
    if (!(period > p / 2 && period < 2 * p)) return;
    g.period[axis] = period;
    g.centre[axis] = (sc - period * si) / n;
}

}  // namespace

double off_grid_percent(const TileGrid &g, const Box &b) {
    const double area = (b.x1 - b.x0) * (b.y1 - b.y0);
    if (!(area > 0)) return 0;
    double inside[2];
    const double lo[2] = {b.x0, b.y0}, hi[2] = {b.x1, b.y1};
    for (int axis = 0; axis < 2; ++axis) {
        const double p = g.period[axis], c = (lo[axis] + hi[axis]) / 2;
        const double middle = g.centre[axis] + p * std::round((c - g.centre[axis]) / p);
        inside[axis] = std::max(0.0, std::min(hi[axis], middle + p / 2) - std::max(lo[axis], middle - p / 2));
    }
    return 100.0 * (1.0 - inside[0] * inside[1] / area);
}

bool grid_cell(const TileGrid &g, const Box &b, std::int64_t &column, std::int64_t &row) {
    constexpr double kFar = 4503599627370496.0;  // 2^52
    const double c = ((b.x0 + b.x1) / 2 - g.centre[0]) / g.period[0];
    const double r = ((b.y0 + b.y1) / 2 - g.centre[1]) / g.period[1];
    if (!(std::abs(c) < kFar && std::abs(r) < kFar)) return false;
    column = std::llround(c), row = std::llround(r);
    return true;
}

TileGrid find_grid(const std::vector<Box> &boxes, const std::vector<std::uint32_t> &placed, double size) {
    TileGrid g;
    if (placed.size() < 2 || !(size > 0)) return g;
    for (int axis = 0; axis < 2; ++axis) g.period[axis] = period_of(boxes, placed, size, axis);
    // One row or one column: the tiles are taken for square.
    if (!(g.period[0] > 0)) g.period[0] = g.period[1];
    if (!(g.period[1] > 0)) g.period[1] = g.period[0];
    if (!(g.period[0] > 0)) return g;
    for (int axis = 0; axis < 2; ++axis) {
        g.centre[axis] = cell_centre(boxes, placed, g.period[axis], axis);
        refine(g, boxes, placed, axis);
    }
    std::size_t fit = 0;
    for (const std::uint32_t k : placed) fit += off_grid_percent(g, boxes[k]) < kFitsGrid;
    g.found = 2 * fit >= placed.size();
    return g;
}

}  // namespace pointsieve::qa
