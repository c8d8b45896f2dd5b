// The figures of archive_stats.asc that the report charts.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace pointsieve::qa::report {

// The histograms of archive_stats.asc, as far as the page draws them.
struct ArchiveFigures {
    bool present = false;
    double total = 0;
    std::array<double, 10> by_return{};     // return number 1..9
    std::array<double, 10> by_returns{};    // number of returns 1..9
    std::array<double, 256> by_class_byte{};
    std::vector<double> intensity, scan_angle, user_data, point_source;  // detailed; empty otherwise
};
// False with errno set on a read error; a missing file leaves present false.
bool read_archive(const std::string &name, ArchiveFigures &a);

}  // namespace pointsieve::qa::report
