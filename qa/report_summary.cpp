// The first pass over tiles.csv: the delivery in figures, the footprints'
// boxes for the map's scale, and the tiles each check names.
#include "report_summary.hpp"

#include <algorithm>
#include <cerrno>

#include "csv.hpp"
#include "median.hpp"
#include "point_formats.hpp"
#include "report_map_frame.hpp"

namespace pointsieve::qa::report {

namespace {

void count(std::vector<std::pair<std::string, std::size_t>> &counts, const std::string &key) {
    for (auto &kv : counts)
        if (kv.first == key) {
            ++kv.second;
            return;
        }
    counts.emplace_back(key, 1);
}

}  // namespace

bool summarise(const std::string &tiles_csv, Columns &c, Summary &s) {
    TableReader t;
    if (!open_table(t, tiles_csv, ',')) return false;
    std::vector<std::string> row;
    if (!next_row(t, row)) {
        if (!t.failed) errno = EINVAL;  // not even a heading
        return false;
    }
    c = find_columns(row);
    if (c.tile < 0 || c.status < 0) {
        errno = EINVAL;
        return false;
    }
    s.listed.assign(c.checks.size(), {});
    s.listed_total.assign(c.checks.size(), {});
    const int extent_columns[6] = {c.x_min, c.x_max, c.y_min, c.y_max, c.z_min, c.z_max};
    for (std::size_t r = 0; next_row(t, row); ++r) {
        if (row.size() == 1 && row[0].empty()) continue;  // a blank line
        ++s.tiles;
        count(s.by_status, field(row, c.status));
        const Verdict worst = worst_verdict(c, row);
        ++s.by_worst[static_cast<std::size_t>(worst)];
        const bool read = was_read(c, row);
        for (std::size_t k = 0; k < c.checks.size(); ++k) {
            const Verdict v = verdict_of(field(row, c.checks[k]));
            if (v < Verdict::Warn) continue;
            const std::size_t which = v == Verdict::Fail ? 1 : 0;
            if (s.listed[k][which].size() < kListedPerCheck) s.listed[k][which].push_back({r, s.findings, field(row, c.tile)});
            ++s.listed_total[k][which];
        }
        if (!read || worst > Verdict::Pass) ++s.findings;
        if (!field(row, c.las_version).empty())
            count(s.by_type, "LAS " + field(row, c.las_version) + ", point format " + field(row, c.point_format));
        if (!read) continue;
        ++s.read_tiles;
        double v = 0;
        if (parse_number(field(row, c.read), v)) s.points += v;
        if (parse_number(field(row, c.declared), v)) s.declared += v;
        for (std::size_t k = 0; k < 6; ++k) {
            if (!parse_number(field(row, extent_columns[k]), v)) continue;
            const bool is_min = k % 2 == 0;
            if (!s.extent_set[k] || (is_min ? v < s.extent[k] : v > s.extent[k])) {
                s.extent[k] = v;
                s.extent_text[k] = field(row, extent_columns[k]);
                s.extent_set[k] = true;
            }
        }
        double g0 = 0, g1 = 0;
        if (parse_number(field(row, c.gps_min), g0) && parse_number(field(row, c.gps_max), g1)) {
            const std::string &enc = field(row, c.gps_encoding);
            auto g = std::find_if(s.gps.begin(), s.gps.end(), [&](const Summary::Gps &x) { return x.encoding == enc; });
            if (g == s.gps.end()) {
                s.gps.push_back({enc, g0, g1});
            } else {
                g->min = std::min(g->min, g0);
                g->max = std::max(g->max, g1);
            }
        }
        if (parse_number(field(row, c.density), v)) s.densities.push_back(v);
        if (parse_number(field(row, c.density_m2), v)) s.densities_m2.push_back(v);
        if (parse_number(field(row, c.first_density_m2), v)) s.first_densities_m2.push_back(v);
        const std::string &crs = field(row, c.crs);
        count(s.by_crs, crs.empty() ? "none" : crs);
        double format = 0, extra = 0, records = 0, bytes = 0;
        if (parse_number(field(row, c.point_format), format) && format >= 6) s.extended_classes = true;
        if (!field(row, c.compression).empty() && parse_number(field(row, c.read), records) &&
            parse_number(field(row, c.file_bytes), bytes) && parse_number(field(row, c.extra_bytes), extra) &&
            format >= 0 && format <= formats::kLastFormat) {
            ++s.compressed_tiles;
            s.compressed_bytes += bytes;
            s.record_bytes += records * (formats::kPointFormats[static_cast<std::size_t>(format)].size + extra);
        }
        Box b{};
        if (footprint_of(c, row, b)) {
            s.boxes.push_back(b);
        } else {
            ++s.read_without_box;
        }
    }
    if (t.failed) return false;
    s.median_density = lower_median(s.densities);
    s.median_density_m2 = lower_median(s.densities_m2);
    s.median_first_density_m2 = lower_median(s.first_densities_m2);
    return true;
}

}  // namespace pointsieve::qa::report
