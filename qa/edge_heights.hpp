// A tile's height where it meets its neighbours: along each side of its
// header's box, a strip 3 % of the box wide cut in kEdgeBins lengths; in
// each, its ground points (its last returns where it has too few) fitted by least
// squares to a line across the strip and taken at the side itself, so that
// a slope does not part two tiles that meet, and the lengths so that the
// terrain along a side does not. Two tiles that meet should agree; one
// raised, lowered or in other units disagrees with all its neighbours.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "las_header.hpp"

namespace pointsieve::qa {

enum Side : std::size_t { kWest, kEast, kSouth, kNorth };

// Sums of a least-squares line z = a + b d over the points of a strip, d
// their distance inward from its side (in the integer units of the axis).
struct EdgeFit {
    double n = 0, d = 0, z = 0, dd = 0, dz = 0;
};

inline constexpr std::size_t kEdgeBins = 4;

struct EdgeStrips {
    bool on = false;
    std::int64_t x_in_west = 0, x_in_east = 0, y_in_south = 0, y_in_north = 0;  // the strips' inner bounds
    std::int64_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;                                // the box's sides
    std::array<std::array<EdgeFit, kEdgeBins>, 4> ground{}, last{};             // by side, then length
};

// The length of a side that a position along it falls in.
inline std::size_t edge_bin(std::int64_t at, std::int64_t from, std::int64_t to) {
    if (at <= from) return 0;
    if (at >= to) return kEdgeBins - 1;
    return static_cast<std::size_t>(static_cast<double>(at - from) * kEdgeBins / static_cast<double>(to - from + 1));
}

// The strips of a tile whose header is h (off for a box without width).
EdgeStrips start_edge_strips(const formats::LasHeader &h);

// Adds a point (integer coordinates; ground: of class 2; last: its pulse's
// last return).
inline void fold_edge(EdgeStrips &e, std::int64_t x, std::int64_t y, std::int64_t z, bool ground, bool last) {
    if (!ground && !last) return;
    const auto add = [&](std::size_t side, std::size_t bin, std::int64_t d) {
        const double dd = static_cast<double>(d), zz = static_cast<double>(z);
        for (EdgeFit *f : {last ? &e.last[side][bin] : nullptr, ground ? &e.ground[side][bin] : nullptr}) {
            if (!f) continue;
            f->n += 1, f->d += dd, f->z += zz, f->dd += dd * dd, f->dz += dd * zz;
        }
    };
    if (x <= e.x_in_west) add(kWest, edge_bin(y, e.y0, e.y1), x - e.x0);
    if (x >= e.x_in_east) add(kEast, edge_bin(y, e.y0, e.y1), e.x1 - x);
    if (y <= e.y_in_south) add(kSouth, edge_bin(x, e.x0, e.x1), y - e.y0);
    if (y >= e.y_in_north) add(kNorth, edge_bin(x, e.x0, e.x1), e.y1 - y);
}

// The heights at the sides (west, east, south, north, ';'-separated), each
// side's lengths in order of X or Y (','-separated), in the data's units;
// empty where a length held too few points.
std::string edge_heights_text(const EdgeStrips &e, const formats::LasHeader &h);

}  // namespace pointsieve::qa
