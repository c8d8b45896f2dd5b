// What a run found, and the console summary of it.
#pragma once

#include <limits>
#include <string>

#include "accumulate.hpp"

namespace pointsieve {

struct RunDescription {
    bool list_mode;              // the input was a list of LAS files
    int file_count;              // LASCount
    std::string input;           // the input argument as typed (LAS file or list)
    int16_t LASType;             // the common LASType of the inputs
    LAS12Header last_header;     // header of the last file processed
    bool detailed;               // -d given
};

// Counts print through %f patterns, as whole-number doubles.
inline double as_double(std::uint64_t count) { return static_cast<double>(count); }

// The largest GPS time to print: the largest time read that is a number, or
// 0 when none was. A maximum still at -infinity means none was, unless a time
// of -infinity was read, which the minimum then holds.
inline double largest_gps_time(const Accumulator &acc) {
    const double none = -std::numeric_limits<double>::infinity();
    return acc.maxGPSTime == none && acc.minGPSTime != none ? 0.0 : acc.maxGPSTime;
}

// Prints the console summary of acc to standard output.
void print_report(const RunDescription &run, const Accumulator &acc);

}  // namespace pointsieve
