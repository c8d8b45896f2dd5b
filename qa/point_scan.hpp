// One pass over a tile's point records, block by block: what the
// statistics file counts, the points' own integer extents, the digest of
// the points and, for the LAS 1.4 formats, their flags.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "edge_heights.hpp"
#include "line_scan.hpp"
#include "sections.hpp"

namespace pointsieve::qa {

struct PointScan {
    std::int32_t min[3] = {INT32_MAX, INT32_MAX, INT32_MAX};
    std::int32_t max[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
    std::uint64_t digest_sum = 0;
    // Formats 6 to 10: points by their flags byte (classification flags,
    // scanner channel, scan direction, edge of flight line).
    std::array<std::uint64_t, 256> flags{};
    // The intensities' extremes.
    std::int32_t intensity_min = INT32_MAX, intensity_max = INT32_MIN;
    // Of every attribute_step-th point (each one in a small tile): the
    // scan angle's magnitude in the record's unit (whole degrees before
    // format 6, 0.006 degrees in it) and the points of point source ID 0.
    std::size_t attribute_step = 1, attribute_skip = 0;
    std::uint64_t attribute_points = 0;
    std::int32_t angle_max = 0;
    std::uint64_t source_zero = 0;
    // Points whose X, Y, Z hash lies below sample_below, by that hash: all
    // of a small tile, an even sample of a large one, a point and its
    // copies always together.
    std::uint64_t sample_below = UINT64_MAX;
    std::vector<std::uint64_t> sample;
    // The strips along the sides: of the same points as the scan angle,
    // of every fourth of them where edge_mask is 3.
    EdgeStrips edges;
    std::uint64_t edge_mask = 0;
    // The flight lines and voids, where a table is given: of every
    // line_step-th point.
    LineTable *lines = nullptr;
    std::size_t line_step = 1, line_skip = 0;
};

// Readies s for a tile of `records` records: its sample of positions of at
// most about kSampledPoints points.
inline constexpr std::uint64_t kSampledPoints = std::uint64_t{1} << 16;
// In a larger tile, every kAttributeStep-th point gives the scan angle and
// the point source ID: their loop costs a fifth of the pass otherwise.
inline constexpr std::size_t kAttributeStep = 7;  // prime: no alignment with a scan line of 2^k points
// In a larger tile, every kLineStep-th point gives the flight lines and the
// voids.
inline constexpr std::size_t kLineStep = 227;  // prime
void start_point_scan(PointScan &s, std::uint64_t records);

// The points of the tile's `records` that repeat an earlier point's X, Y
// and Z: exact (but for 64-bit hash collisions) up to kSampledPoints
// records, estimated from the sample beyond. Sorts the sample.
std::uint64_t repeated_points(PointScan &s, std::uint64_t records);

// Folds n records of point format `format` (0 to 10), `stride` bytes apart,
// into acc and s. For formats 0 to 5 acc counts as the Pointsieve command
// does; for formats 6 to 10 its bitfield bins hold the byte of the 4-bit
// return number and number of returns, its classes the 8-bit class, and its
// scan angle bins the angle in whole degrees, rounded to the nearest.
void scan_block(unsigned format, std::size_t stride, bool detailed, const unsigned char *p, std::size_t n,
                Accumulator &acc, PointScan &s);

// The return histograms of a tile of the given format, from acc's bitfield
// bins.
ReturnTables tile_return_tables(unsigned format, const Accumulator &acc);

// The digest of a tile's points: each point's first sixteen bytes mixed and
// the mixes summed (scan_block keeps the sum), so that equal points give
// equal digests whatever their order and format, on every platform.
std::uint64_t digest_value(std::uint64_t sum, std::uint64_t records);

}  // namespace pointsieve::qa
