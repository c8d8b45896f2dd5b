// What standard output says of a run.
#include "summary.hpp"

#include <cstdio>

#include "check_table.hpp"

namespace pointsieve::qa {

void print_summary(const Delivered &d, const Delivery &delivery, const Tally &tally, long long archived) {
    std::printf("Tiles:            %llu (ok %llu, truncated %llu, refused %llu, unreadable %llu)\n",
                static_cast<unsigned long long>(facts_count(d.facts)), static_cast<unsigned long long>(d.by_status[0]),
                static_cast<unsigned long long>(d.by_status[1]), static_cast<unsigned long long>(d.by_status[2]),
                static_cast<unsigned long long>(d.by_status[4]));
    std::printf("Points read:      %llu\n", static_cast<unsigned long long>(d.points));
    std::printf("LAS types:        ");
    if (d.types.empty()) std::printf("none read");
    for (std::size_t k = 0; k < d.types.size(); ++k)
        std::printf("%s%s (%llu tiles)", k ? ", " : "", d.types[k].first.c_str(),
                    static_cast<unsigned long long>(d.types[k].second));
    std::printf("\n");
    const char *axes[3] = {"X", "Y", "Z"};
    for (int a = 0; a < 3; ++a) {
        if (d.has_extent)
            std::printf("%s range:          %s to %s\n", axes[a], d.extent_text[2 * a].c_str(),
                        d.extent_text[2 * a + 1].c_str());
        else
            std::printf("%s range:\n", axes[a]);
    }
    const char *encodings[2] = {"week", "standard"};
    bool any_gps = false;
    for (int e = 0; e < 2; ++e) {
        if (!d.has_gps[e]) continue;
        std::printf("GPS time (%s):%*s%s to %s\n", encodings[e], e == 0 ? 5 : 1, "", d.gps_text[e][0].c_str(),
                    d.gps_text[e][1].c_str());
        any_gps = true;
    }
    if (!any_gps) std::printf("GPS time:\n");
    if (!delivery.has_density)
        std::printf("Median density:\n");
    else
        std::printf("Median density:   %.6g points per square unit\n", delivery.median_density);
    if (delivery.has_density_m2)
        std::printf("Per square metre: %.6g points, %.6g first returns (median)\n", delivery.median_density_m2,
                    delivery.median_first_density_m2);
    if (delivery.crs_systems > 0)
        std::printf("Coordinates:      %s%s, %llu system%s in all\n",
                    delivery.common_crs.empty() ? "none named" : delivery.common_crs.c_str(),
                    delivery.common_crs.empty() ? "" : " in most tiles",
                    static_cast<unsigned long long>(delivery.crs_systems), delivery.crs_systems == 1 ? "" : "s");
    if (delivery.grid.found)
        std::printf("Tile grid:        %.6g by %.6g, %llu hole%s (holes.csv)\n", delivery.grid.period[0],
                    delivery.grid.period[1], static_cast<unsigned long long>(delivery.holes.size()),
                    delivery.holes.size() == 1 ? "" : "s");
    if (delivery.flight_lines > 0)
        std::printf("Flight lines:     %llu (lines.csv), %llu flagged by interswath, %llu by flight_lines\n",
                    static_cast<unsigned long long>(delivery.flight_lines),
                    static_cast<unsigned long long>(delivery.lines_interswath),
                    static_cast<unsigned long long>(delivery.lines_covered));
    if (delivery.has_index) {
        std::uint64_t unexpected = 0;
        for (const char u : delivery.unexpected) unexpected += u != 0;
        std::printf("Tile index:       %llu missing (holes.csv), %llu not expected\n",
                    static_cast<unsigned long long>(delivery.missing.size()), static_cast<unsigned long long>(unexpected));
    }
    if (archived > 0)
        std::printf("Archive:          archive_stats.asc, %lld statistics files merged\n", archived);
    else
        std::printf("Archive:          no tile was read, so no archive_stats.asc\n");
    std::printf("\n%-18s %10s %10s %10s\n", "Check", "pass", "warn", "fail");
    for (std::size_t c = 0; c < kChecks.size(); ++c)
        std::printf("%-18s %10llu %10llu %10llu\n", kChecks[c].name, static_cast<unsigned long long>(tally.counts[c][0]),
                    static_cast<unsigned long long>(tally.counts[c][1]),
                    static_cast<unsigned long long>(tally.counts[c][2]));
    const std::uint64_t unread = unread_tiles(d);
    std::printf("\n%llu tiles not read, %llu tiles failing a check\n", static_cast<unsigned long long>(unread),
                static_cast<unsigned long long>(tally.failing_tiles));
}

}  // namespace pointsieve::qa
