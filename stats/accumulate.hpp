// Folding the point records of LAS files into one run-wide accumulator.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "Korvane_LiDAR.h"

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
    std::vector<std::uint64_t> IntensityCount = std::vector<std::uint64_t>(65536);
    std::vector<std::uint64_t> PointSourceIDCount = std::vector<std::uint64_t>(65536);
};

// Histogram of return numbers (bits 0 to 2 of the bitfield), bins 0 to 9.
std::array<std::uint64_t, 10> return_number_counts(const Accumulator &acc);
// Histogram of numbers of returns (bits 3 to 5 of the bitfield), bins 0 to 9.
std::array<std::uint64_t, 10> number_of_returns_counts(const Accumulator &acc);

enum class FileOutcome { Ok, CannotOpen, CannotReadHeader, UnknownType };

struct FileProgress {
    int index;  // 1-based position of this file in the run
    int count;  // number of files in the run
};

// Opens one LAS file of the given LASType, prints its progress line, folds
// its header extents and every whole point record it holds (up to the count
// its header declares) into acc, and leaves its header in ph. When the file
// holds fewer whole records than declared, prints a warning after the
// progress line and summarises what is there. Prints nothing else on
// failure: the caller reports the outcome. block is the read buffer, kept
// by the caller so that a run of many small files allocates it once.
FileOutcome accumulate_file(const std::string &name, int16_t LASType, bool detailed, const FileProgress &progress,
                            Accumulator &acc, LAS12Header &ph, std::vector<unsigned char> &block);

// Folds n whole point records of the layout of LASType, stored back to back
// at records, into acc. Exposed for the benchmarks.
void accumulate_records(int16_t LASType, bool detailed, const unsigned char *records, std::size_t n,
                        Accumulator &acc);

}  // namespace pointsieve
