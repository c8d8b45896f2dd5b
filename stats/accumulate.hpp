// Folding the point records of LAS files into one run-wide accumulator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

#include "Korvane_LiDAR.h"
#include "failure.hpp"
#include "las_format.hpp"

namespace pointsieve {

// Run-wide totals, extents and histograms. Counts are 64-bit integers; they
// print exactly as whole-number doubles would for any count below 2^53.
struct Accumulator {
    std::uint64_t ReturnCount = 0;
    double minX = 100000000000.0, maxX = -100000000000.0;
    double minY = 100000000000.0, maxY = -100000000000.0;
    double minZ = 100000000000.0, maxZ = -100000000000.0;
    double minGPSTime = 100000000000.0;
    // Any time that is a number replaces this; see largest_gps_time.
    double maxGPSTime = -std::numeric_limits<double>::infinity();
    // Points by the whole bitfield byte; the return-number and
    // number-of-returns histograms are read from it (bits 0-2 and 3-5).
    std::array<std::uint64_t, 256> BitfieldCount{};
    std::array<std::uint64_t, 256> ClassificationCount{};
    std::array<std::uint64_t, 256> ScanAngleRankCount{};  // raw byte 0 to 255
    std::array<std::uint64_t, 256> UserDataCount{};
    // 65536 bins each once allocate_histograms has succeeded.
    std::vector<std::uint64_t> IntensityCount;
    std::vector<std::uint64_t> PointSourceIDCount;
};

// Allocates the large histograms of acc, zero-filled, Intensity first.
// Returns Failure::None, or the failure that names the histogram that could
// not be allocated.
Failure allocate_histograms(Accumulator &acc) noexcept;

// Bins of the return histograms: return numbers 0 to 15, as the 4-bit
// fields of the LAS 1.4 point formats hold them (the 3-bit fields of the
// LAS 1.0 to 1.2 formats fill bins 0 to 7).
inline constexpr std::size_t kReturnBins = 16;

// Histogram of return numbers (bits 0 to 2 of the bitfield).
std::array<std::uint64_t, kReturnBins> return_number_counts(const Accumulator &acc);
// Histogram of numbers of returns (bits 3 to 5 of the bitfield).
std::array<std::uint64_t, kReturnBins> number_of_returns_counts(const Accumulator &acc);

struct FileReading {
    // None; HeaderUnreadable when the file no longer holds a whole header;
    // InputChanged when its header no longer gives the validated LASType;
    // PointsUnreadable when a read or a seek failed; FileMemory when no read
    // buffer could be allocated.
    Failure failure;
    std::uint64_t records_read;      // whole point records folded in
    std::uint64_t records_declared;  // NumberOfPointReturns of the header
};

// Reads one LAS file of the validated LASType from f, positioned at its
// start: folds its header extents and every whole point record it holds, up
// to the count its header declares, into acc, and leaves its header in ph.
// A file that ends early is not a failure: records_read tells. block is the
// read buffer, kept across the files of a run. Prints nothing.
FileReading accumulate_file(std::FILE *f, int16_t LASType, bool detailed, Accumulator &acc, LAS12Header &ph,
                            std::vector<unsigned char> &block);

// Folds one point record of layout Rec, at p, into acc: the one statement
// of what a point adds to the figures. The GPS range goes to minGPS and
// maxGPS, which the caller's loop keeps and stores into acc; the caller
// also adds its records to acc.ReturnCount.
template <class Rec, bool Detailed>
[[gnu::always_inline]] inline void fold_point(const unsigned char *p, Accumulator &acc, double &minGPS,
                                              double &maxGPS) {
    using L = korvane::PointLayout<Rec>;
    using korvane::load_le;
    if constexpr (requires { Rec::GPSTime; }) {
        const double t = load_le<double>(p + offsetof(Rec, GPSTime));
        // Strict comparisons: a NaN time never replaces an extreme.
        if (t > maxGPS) maxGPS = t;
        if (t < minGPS) minGPS = t;
    }
    ++acc.BitfieldCount[p[L::bitfield]];
    ++acc.ClassificationCount[p[L::classification]];
    if constexpr (Detailed) {
        ++acc.IntensityCount[load_le<std::uint16_t>(p + L::intensity)];
        ++acc.ScanAngleRankCount[p[L::scan_angle_rank]];
        ++acc.UserDataCount[p[L::user_data]];
        ++acc.PointSourceIDCount[load_le<std::uint16_t>(p + L::point_source_id)];
    }
}

// Adds the detailed histograms (intensity, scan angle rank, user data and
// point source ID) of from into to; both must have been allocated.
void add_detailed_histograms(const Accumulator &from, Accumulator &to);

// Widens acc's extents to take in those of a header.
void fold_extents(const LAS12Header &h, Accumulator &acc);

// Folds n whole point records of the layout of LASType, stored back to back
// at records, into acc. Exposed for the benchmarks.
void accumulate_records(int16_t LASType, bool detailed, const unsigned char *records, std::size_t n,
                        Accumulator &acc);

}  // namespace pointsieve
