// Reading archive_stats.asc for the report's charts.
#include "report_archive.hpp"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "csv.hpp"
#include "report_columns.hpp"

namespace pointsieve::qa::report {

bool read_archive(const std::string &name, ArchiveFigures &a) {
    TableReader t;
    errno = 0;
    if (!open_table(t, name, ' ')) return errno == ENOENT;
    a.present = true;
    std::vector<std::string> f;
    auto bin = [](std::vector<double> &h, std::size_t size, long k, double v) {
        if (h.empty()) h.assign(size, 0.0);
        if (k >= 0 && static_cast<std::size_t>(k) < size) h[static_cast<std::size_t>(k)] = v;
    };
    while (next_row(t, f)) {
        // A key, then the value right-aligned: the fields between are empty.
        if (f.empty() || f.size() < 2) continue;
        double v = 0;
        if (!parse_number(f.back(), v)) continue;
        const std::string &key = f.front();
        const char *k = key.c_str();
        auto number_after = [&](const char *prefix, long &n) {
            const std::size_t len = std::strlen(prefix);
            if (key.compare(0, len, prefix) != 0 || key.size() == len) return false;
            char *end = nullptr;
            n = std::strtol(k + len, &end, 10);
            return *end == '\0';
        };
        long n = 0;
        if (key == "TotalPoints") {
            a.total = v;
        } else if (key.size() == 10 && key.compare(3, 7, "Returns") == 0 && key[0] >= '1' && key[0] <= '9') {
            a.by_return[static_cast<std::size_t>(key[0] - '0')] = v;
        } else if (number_after("NumberReturns", n)) {
            if (n >= 1 && n <= 9) a.by_returns[static_cast<std::size_t>(n)] = v;
        } else if (number_after("Class", n)) {
            if (n >= 0 && n <= 255) a.by_class_byte[static_cast<std::size_t>(n)] = v;
        } else if (number_after("Intensity", n)) {
            bin(a.intensity, 65536, n, v);
        } else if (number_after("ScanAngleRank", n)) {
            bin(a.scan_angle, 256, n + 128, v);
        } else if (number_after("UserData", n)) {
            bin(a.user_data, 256, n, v);
        } else if (number_after("PointSourceID", n)) {
            bin(a.point_source, 65536, n, v);
        }
    }
    return !t.failed;
}

}  // namespace pointsieve::qa::report
