// The figures of the delivery the relative checks compare a tile with:
// the medians, the tiles holding the same points, and each tile's gap to
// its nearest neighbour, its largest overlap and its place on the grid.
#include "delivery_figures.hpp"

#include <algorithm>
#include <map>
#include <cmath>
#include <limits>
#include <unordered_map>

#include "box.hpp"
#include "median.hpp"
#include "holes.hpp"
#include "tile_grid.hpp"
#include "z_levels.hpp"

namespace pointsieve::qa {

namespace {

double box_gap(const Box &a, const Box &b) {
    const double dx = std::max({0.0, b.x0 - a.x1, a.x0 - b.x1});
    const double dy = std::max({0.0, b.y0 - a.y1, a.y0 - b.y1});
    return std::hypot(dx, dy);
}

double box_overlap(const Box &a, const Box &b) {
    const double w = std::min(a.x1, b.x1) - std::max(a.x0, b.x0);
    const double h = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
    return w > 0 && h > 0 ? w * h : 0.0;
}

// Nearest-neighbour gaps and largest overlaps of the tiles' X-Y boxes,
// through a grid of cells of the median tile size: a tile meets only the
// tiles of its own and nearby cells, so that 100,000 tiles stay fast.
void place_tiles(const FactsTable &facts, double size, Delivery &d) {
    std::vector<std::uint32_t> placed;
    std::vector<Box> boxes(facts_count(facts));
    double ox = std::numeric_limits<double>::infinity(), oy = ox;
    for (std::uint32_t k = 0; k < facts_count(facts); ++k) {
        const Facts &t = facts_at(facts, k);
        if (!t.has_points) continue;
        boxes[k] = {t.x_min, t.x_max, t.y_min, t.y_max};
        placed.push_back(k);
        ox = std::min(ox, t.x_min), oy = std::min(oy, t.y_min);
    }
    if (placed.size() < 2 || !(size > 0) || !std::isfinite(ox) || !std::isfinite(oy)) return;
    // Where most tiles are cut to a grid, a tile that fits it is not
    // judged by the overlap of one that does not: the misplaced tile is.
    const TileGrid cut = find_grid(boxes, placed, size);
    std::vector<bool> fits(facts_count(facts), true);
    if (cut.found) {
        for (const std::uint32_t k : placed) {
            d.off_grid[k] = off_grid_percent(cut, boxes[k]);
            fits[k] = d.off_grid[k] < kFitsGrid;
        }
    }
    constexpr double kFar = 4503599627370496.0;  // 2^52
    const auto cell = [&](double v, double origin) {
        return static_cast<std::int64_t>(std::clamp(std::floor((v - origin) / size), -kFar, kFar));
    };
    const auto key = [](std::int64_t cx, std::int64_t cy) {
        return static_cast<std::uint64_t>(cx) * 0x9E3779B97F4A7C15ull ^ static_cast<std::uint64_t>(cy);
    };
    struct Cells {
        std::int64_t x0, x1, y0, y1;
    };
    std::vector<Cells> cells(facts_count(facts));
    std::unordered_map<std::uint64_t, std::vector<std::uint32_t>> grid;
    std::vector<std::uint32_t> big;  // tiles spanning too many cells to register
    std::vector<bool> is_big(facts_count(facts), false);
    constexpr std::int64_t kMostCells = 64;
    for (const std::uint32_t k : placed) {
        const Box &b = boxes[k];
        Cells &c = cells[k];
        c = {cell(b.x0, ox), cell(b.x1, ox), cell(b.y0, oy), cell(b.y1, oy)};
        if (c.x1 - c.x0 >= kMostCells || c.y1 - c.y0 >= kMostCells || (c.x1 - c.x0 + 1) * (c.y1 - c.y0 + 1) > kMostCells) {
            big.push_back(k);
            is_big[k] = true;
            continue;
        }
        for (std::int64_t x = c.x0; x <= c.x1; ++x)
            for (std::int64_t y = c.y0; y <= c.y1; ++y) grid[key(x, y)].push_back(k);
    }
    std::vector<std::uint32_t> seen(facts_count(facts), UINT32_MAX);
    for (const std::uint32_t a : placed) {
        const Box &ba = boxes[a];
        const double area = (ba.x1 - ba.x0) * (ba.y1 - ba.y0);
        double best = std::numeric_limits<double>::infinity(), overlap = 0;
        const auto meet = [&](std::uint32_t b) {
            if (b == a || seen[b] == a) return;
            seen[b] = a;
            best = std::min(best, box_gap(ba, boxes[b]));
            if (area > 0 && (fits[b] || !fits[a])) overlap = std::max(overlap, box_overlap(ba, boxes[b]) / area);
        };
        // A tile that touches another and lies wholly under one can meet no
        // figure further: tiles stacked in one place stay linear.
        const auto settled = [&] { return best == 0 && (overlap >= 1 || !(area > 0)); };
        const auto meet_all = [&](const std::vector<std::uint32_t> &tiles) {
            for (const std::uint32_t b : tiles) {
                if (settled()) return;
                meet(b);
            }
        };
        if (is_big[a]) {
            meet_all(placed);
        } else {
            meet_all(big);
            const Cells &c = cells[a];
            // Ring 0 is the tile's own cells, ring r the cells at distance r
            // from them; a tile first met beyond ring r lies at least r
            // cells away.
            constexpr std::int64_t kRings = 3;
            bool exact = false;
            for (std::int64_t r = 0; r <= kRings && !exact; ++r) {
                for (std::int64_t x = c.x0 - r; x <= c.x1 + r; ++x) {
                    for (std::int64_t y = c.y0 - r; y <= c.y1 + r; ++y) {
                        const bool edge = r == 0 || x == c.x0 - r || x == c.x1 + r || y == c.y0 - r || y == c.y1 + r;
                        if (!edge) continue;
                        const auto found = grid.find(key(x, y));
                        if (found != grid.end()) meet_all(found->second);
                    }
                }
                exact = best <= static_cast<double>(r) * size;
            }
            if (!exact) meet_all(placed);
        }
        d.gap[a] = best / size;
        d.overlap[a] = overlap * 100.0;
    }
    find_z_levels(facts, boxes, placed, cut, fits, d.z_level);
    // The holes, among the tiles within two tile sizes of another.
    d.grid = cut;
    std::vector<std::uint32_t> near;
    for (const std::uint32_t k : placed)
        if (d.gap[k] <= 2) near.push_back(k);
    d.holes = find_holes(cut, boxes, near);
}

}  // namespace

namespace {

void find_common_crs(const FactsTable &facts, Delivery &d) {
    std::map<std::string, std::uint64_t> tiles;
    for (const Facts &t : facts.kept)
        if (t.read) ++tiles[t.crs];
    std::uint64_t most = 0;
    for (const auto &[label, n] : tiles)
        if (!label.empty() && n > most) d.common_crs = label, most = n;
    d.crs_systems = tiles.size();
}

}  // namespace

Delivery judge_delivery(const FactsTable &facts) {
    Delivery d;
    std::vector<double> density, span, size;
    std::array<std::vector<double>, 2> gps;
    std::array<std::uint64_t, 2> encoded{};
    for (const Facts &t : facts.kept) {
        if (t.has_gps) ++encoded[static_cast<std::size_t>(t.gps_encoding)];
        if (!t.has_points) continue;
        if (t.has_density) density.push_back(t.density);
        span.push_back(t.z_max - t.z_min);
        size.push_back(std::max(t.x_max - t.x_min, t.y_max - t.y_min));
        if (t.has_gps) gps[static_cast<std::size_t>(t.gps_encoding)].push_back((t.gps_min + t.gps_max) / 2);
    }
    if ((d.has_density = !density.empty())) d.median_density = lower_median(density);
    if ((d.has_z_span = !span.empty())) d.median_z_span = lower_median(span);
    if ((d.has_size = !size.empty())) d.median_size = lower_median(size);
    for (std::size_t e = 0; e < 2; ++e)
        if ((d.has_gps[e] = !gps[e].empty())) d.median_gps[e] = lower_median(gps[e]);
    find_common_crs(facts, d);
    if (encoded[0] != encoded[1]) d.common_gps_encoding = encoded[1] > encoded[0] ? 1 : 0;
    std::vector<double> per_m2, first_per_m2;
    for (const Facts &t : facts.kept)
        if (t.has_points && t.has_density_m2) per_m2.push_back(t.density_m2), first_per_m2.push_back(t.first_density_m2);
    if ((d.has_density_m2 = !per_m2.empty())) {
        d.median_density_m2 = lower_median(per_m2);
        d.median_first_density_m2 = lower_median(first_per_m2);
    }

    // Tiles with the same points: same digest and the same number of records.
    d.duplicate_of.assign(facts_count(facts), -1);
    d.duplicates.assign(facts_count(facts), 0);
    std::vector<std::uint32_t> order;
    for (std::uint32_t k = 0; k < facts_count(facts); ++k)
        if (facts_at(facts, k).read && facts_at(facts, k).records > 0) order.push_back(k);
    const auto same = [&](std::uint32_t a, std::uint32_t b) {
        return facts_at(facts, a).digest == facts_at(facts, b).digest && facts_at(facts, a).records == facts_at(facts, b).records;
    };
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (facts_at(facts, a).digest != facts_at(facts, b).digest) return facts_at(facts, a).digest < facts_at(facts, b).digest;
        if (facts_at(facts, a).records != facts_at(facts, b).records) return facts_at(facts, a).records < facts_at(facts, b).records;
        return a < b;
    });
    for (std::size_t g = 0; g < order.size();) {
        std::size_t e = g + 1;
        while (e < order.size() && same(order[g], order[e])) ++e;
        if (e - g > 1) {
            for (std::size_t k = g; k < e; ++k) {
                d.duplicates[order[k]] = static_cast<std::uint32_t>(e - g - 1);
                d.duplicate_of[order[k]] = order[k == g ? g + 1 : g];
            }
        }
        g = e;
    }

    d.gap.assign(facts_count(facts), std::numeric_limits<double>::quiet_NaN());
    d.off_grid.assign(facts_count(facts), std::numeric_limits<double>::quiet_NaN());
    d.z_level.assign(facts_count(facts), std::numeric_limits<double>::quiet_NaN());
    d.overlap.assign(facts_count(facts), 0);
    if (d.has_size) place_tiles(facts, d.median_size, d);
    return d;
}

}  // namespace pointsieve::qa
