// What a run found, and the console summary of it.
#pragma once

#include <array>
#include <cstdio>
#include <limits>
#include <span>
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
    int widest_progress;         // characters of the longest progress line printed
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

// One histogram section of the report. Both outputs walk the same sections:
// the console with its patterns, the statistics file with its own. Every
// pattern takes the key (an int), an ordinal suffix (a string, which only
// the return numbers print; "%.0s" skips it) and the count (a double).
struct ReportSection {
    std::span<const std::uint64_t> bins;
    int first, last;        // bins scanned, in this order
    int key_offset;         // key = bin + key_offset
    int always_up_to;       // keys up to this print even when their count is 0
    bool detailed;          // only with -d
    bool blank_line_before; // on the console
    const char *console;
    const char *file;
};

// The two return histograms, worked out once for both outputs.
struct ReturnTables {
    std::array<std::uint64_t, 10> by_return_number;
    std::array<std::uint64_t, 10> by_number_of_returns;
};
ReturnTables return_tables(const Accumulator &acc);

// The histogram sections in report order, the scan angle rank in two rows
// (negative angles first). The spans point into acc and returns, which must
// outlive them.
std::array<ReportSection, 8> report_sections(const Accumulator &acc, const ReturnTables &returns);

// Prints, with pattern, the lines of one section: every bin above 0, and the
// keys that always print.
void print_section(std::FILE *out, const ReportSection &section, const char *pattern);

// Prints the console summary of acc to standard output.
void print_report(const RunDescription &run, const Accumulator &acc);

}  // namespace pointsieve
