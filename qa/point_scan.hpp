// One pass over a tile's point records, block by block: what the
// statistics file counts, the points' own integer extents, the digest of
// the points and, for the LAS 1.4 formats, their flags.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "sections.hpp"

namespace pointsieve::qa {

struct PointScan {
    std::int32_t min[3] = {INT32_MAX, INT32_MAX, INT32_MAX};
    std::int32_t max[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
    std::uint64_t digest_sum = 0;
    // Formats 6 to 10: points by their flags byte (classification flags,
    // scanner channel, scan direction, edge of flight line).
    std::array<std::uint64_t, 256> flags{};
};

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
