// The figures of archive_stats.asc that the report charts, read by the
// section table as the merge reads a statistics file.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "sections.hpp"

namespace pointsieve::qa::report {

// The scan angle rank of the first bin of its chart.
inline constexpr long kLowestScanAngle = -128;

// The histograms of archive_stats.asc, as far as the page draws them.
struct ArchiveFigures {
    bool present = false;
    double total = 0;
    ReturnTables returns{};  // by return number and by number of returns, bin 0 unused
    std::array<double, 256> by_class_byte{};
    // The detailed histograms, all 0 without them; the scan angles from
    // kLowestScanAngle up.
    std::vector<double> intensity, scan_angle, user_data, point_source;
};

// False with errno set when the file cannot be read or is no statistics
// file; a missing file leaves present false.
bool read_archive(const std::string &name, ArchiveFigures &a);

// The figures of merged histograms, as read_archive gives them from the
// file written from them; the detailed charts only when detailed (they
// are all 0 otherwise, and drawn only with -d).
ArchiveFigures archive_figures(const Accumulator &acc, const ReturnTables &returns, bool detailed);

}  // namespace pointsieve::qa::report
