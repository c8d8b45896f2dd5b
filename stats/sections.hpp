// The layout of the console report and of the statistics file, described
// once: the scalar lines (point total, extents, GPS range) and the table of
// histogram sections. The report and the statistics file print from it; the
// merge of statistics files reads by it.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <span>
#include <string>

#include "accumulate.hpp"

namespace pointsieve {

// Counts print through %f patterns, as whole-number doubles.
inline double as_double(std::uint64_t count) { return static_cast<double>(count); }

// The largest GPS time to print: the largest time read that is a number, or
// 0 when none was. A maximum still at -infinity means none was, unless a time
// of -infinity was read, which the minimum then holds.
inline double largest_gps_time(const Accumulator &acc) {
    const double none = -std::numeric_limits<double>::infinity();
    return acc.maxGPSTime == none && acc.minGPSTime != none ? 0.0 : acc.maxGPSTime;
}

// The scalar lines, in file order.
enum Scalar { TotalPoints, XMin, XMax, YMin, YMax, ZMin, ZMax, GPSTimeMin, GPSTimeMax, kScalarCount };

struct ScalarLine {
    const char *key;    // the key of its statistics file line
    int file_width;     // width of the value in the file line
    int console_width;  // width of the value on the console
    int decimals;       // 0 for the point total
};

inline constexpr std::array<ScalarLine, kScalarCount> kScalarLines{{
    {"TotalPoints", 18, 10, 0},
    {"XMin", 28, 13, 2},
    {"XMax", 28, 13, 2},
    {"YMin", 28, 13, 2},
    {"YMax", 28, 13, 2},
    {"ZMin", 28, 13, 2},
    {"ZMax", 28, 13, 2},
    {"GPSTimeMin", 26, 13, 6},
    {"GPSTimeMax", 26, 13, 6},
}};

// The scalar values as printed, without padding. The GPS texts are empty
// for LAS types without GPS time, whose file lines hold the keys alone.
using ScalarTexts = std::array<std::string, kScalarCount>;

// The text of one value of a scalar line.
std::string scalar_text(Scalar line, double value);

// The scalar values of acc as printed; has_gps_time for the LAS types whose
// records carry one.
ScalarTexts scalar_texts(const Accumulator &acc, bool has_gps_time);

// Writes the file line of one scalar: the key, a space and the value right
// aligned, or the key alone when the text is empty.
void write_scalar_line(std::FILE *out, Scalar line, const std::string &text);

// The histograms a section lists.
enum class Histogram { ReturnNumber, NumberOfReturns, Classification, Intensity, ScanAngleRank, UserData, PointSourceID };

// One histogram section of both outputs: the console with its pattern, the
// statistics file with its own. Every pattern takes the key (an int), an
// ordinal suffix (a string, which only the return numbers print; "%.0s"
// skips it) and the count (a double). A file line is the key, one space and
// the count; the key is what comes before the first space.
struct SectionLayout {
    Histogram histogram;
    int first, last;        // bins scanned, in this order
    int key_offset;         // key = bin + key_offset
    int always_up_to;       // keys up to this print even when their count is 0
    bool detailed;          // only with -d
    bool blank_line_before; // on the console
    const char *console;
    const char *file;
};

// The histogram sections in report order, the scan angle rank in two rows
// (negative angles first: the byte is the signed angle, so bins 128 to 255
// are the angles -128 to -1).
inline constexpr std::array<SectionLayout, 8> kSections{{
    {Histogram::ReturnNumber, 1, 15, 0, 4, false, false,  //
     "%d%s Returns           %12.0f\n", "%d%sReturns %19.0f\n"},
    {Histogram::NumberOfReturns, 1, 15, 0, 4, false, true,  //
     "Number of Returns = %d%.0s %12.0f\n", "NumberReturns%d%.0s %15.0f\n"},
    {Histogram::Classification, 0, 255, 0, -1, false, true,  //
     "Return Class %3d%.0s      %12.0f\n", "Class%03d%.0s %21.0f\n"},
    {Histogram::Intensity, 0, 65535, 0, -1, true, true,  //
     "Intensity %5d%.0s       %12.0f\n", "Intensity%05d%.0s %15.0f\n"},
    {Histogram::ScanAngleRank, 128, 255, -256, -1000, true, true,  //
     "Scan Angle Rank %3d%.0s %12.0f\n", "ScanAngleRank%04d%.0s %12.0f\n"},
    {Histogram::ScanAngleRank, 0, 127, 0, -1, true, false,  //
     "Scan Angle Rank %3d%.0s %12.0f\n", "ScanAngleRank%03d%.0s %13.0f\n"},
    {Histogram::UserData, 0, 255, 0, -1, true, true,  //
     "User Data %3d%.0s       %12.0f\n", "UserData%03d%.0s %18.0f\n"},
    {Histogram::PointSourceID, 0, 65535, 0, -1, true, true,  //
     "Point Source ID %5d%.0s %10.0f\n", "PointSourceID%05d%.0s %11.0f\n"},
}};

// The two return histograms, worked out once for both outputs.
struct ReturnTables {
    std::array<std::uint64_t, kReturnBins> by_return_number;
    std::array<std::uint64_t, kReturnBins> by_number_of_returns;
};
ReturnTables return_tables(const Accumulator &acc);

// The bins a section lists: those of acc, or of returns for the two return
// histograms. The span points into acc or returns.
std::span<const std::uint64_t> section_bins(Histogram histogram, const Accumulator &acc,
                                            const ReturnTables &returns);
std::span<std::uint64_t> section_bins(Histogram histogram, Accumulator &acc, ReturnTables &returns);

// Writes one line of a section with pattern into buffer (as snprintf does)
// and returns its length.
int format_section_line(char *buffer, std::size_t size, const SectionLayout &section, const char *pattern,
                        int bin, std::uint64_t count);

// Prints, with pattern, the lines of one section: every bin above 0, and the
// keys that always print.
void print_section(std::FILE *out, const SectionLayout &section, std::span<const std::uint64_t> bins,
                   const char *pattern);

// The parts of the report and of the statistics file that follow the
// scalar lines: the histogram sections, the detailed ones only when asked
// for. console chooses the console patterns and blank lines.
void print_sections(std::FILE *out, const Accumulator &acc, const ReturnTables &returns, bool detailed,
                    bool console);

}  // namespace pointsieve
