// The report's flight lines, from lines.csv: when each was flown, as a bar
// over the delivery's GPS time, marked by its checks.
#include "report_lines.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "csv.hpp"
#include "verdict.hpp"

namespace pointsieve::qa::report {

namespace {

struct Line {
    std::string id, points, tiles, interswath, covered, covered_by;
    bool has_gps = false;
    double gps_min = 0, gps_max = 0;
    Verdict worst = Verdict::NotApplicable;
};

// Lines drawn at most: the flagged ones first, then in order of ID.
constexpr std::size_t kMostDrawn = 60;

const char *fill_of(Verdict v) {
    return v == Verdict::Fail ? "#d73027" : v == Verdict::Warn ? "#f39c12" : "#3b528b";
}

}  // namespace

void write_lines(Page &p, const std::string &lines_csv) {
    TableReader t;
    if (!open_table(t, lines_csv, ',')) return;
    std::vector<std::string> fields, heading;
    if (!next_row(t, heading)) return;
    const auto column = [&](const char *name) {
        return static_cast<std::size_t>(std::find(heading.begin(), heading.end(), name) - heading.begin());
    };
    const std::size_t c_line = column("line"), c_points = column("points"), c_tiles = column("tiles"),
                      c_min = column("gps_min"), c_max = column("gps_max"), c_dz = column("interswath_dz"),
                      c_covered = column("covered"), c_by = column("covered_by"),
                      c_v1 = column("check:interswath"), c_v2 = column("check:flight_lines");
    for (const std::size_t c : {c_line, c_points, c_tiles, c_min, c_max, c_dz, c_covered, c_by, c_v1, c_v2})
        if (c >= heading.size()) return;  // not a table of lines
    std::vector<Line> lines;
    std::size_t total = 0;
    while (next_row(t, fields)) {
        if (fields.size() != heading.size()) continue;
        ++total;
        Line l{fields[c_line], fields[c_points], fields[c_tiles], fields[c_dz], fields[c_covered], fields[c_by]};
        l.has_gps = !fields[c_min].empty() && !fields[c_max].empty();
        if (l.has_gps) l.gps_min = std::strtod(fields[c_min].c_str(), nullptr), l.gps_max = std::strtod(fields[c_max].c_str(), nullptr);
        l.worst = std::max(verdict_of(fields[c_v1]), verdict_of(fields[c_v2]));
        lines.push_back(std::move(l));
    }
    if (lines.empty()) return;
    std::stable_sort(lines.begin(), lines.end(), [](const Line &a, const Line &b) {
        return (a.worst >= Verdict::Warn) > (b.worst >= Verdict::Warn);
    });
    if (lines.size() > kMostDrawn) lines.resize(kMostDrawn);
    double t0 = 0, t1 = 0;
    bool any = false;
    for (const Line &l : lines)
        if (l.has_gps && std::isfinite(l.gps_min) && std::isfinite(l.gps_max))
            t0 = any ? std::min(t0, l.gps_min) : l.gps_min, t1 = any ? std::max(t1, l.gps_max) : l.gps_max, any = true;
    put(p, "<section id=\"lines\"><h2>Flight lines</h2>\n");
    putf(p, "<p class=\"note\">%zu flight line%s (point source IDs) in lines.csv%s. A bar spans the line's GPS "
            "times; orange and red mark a line that interswath or flight_lines flags.</p>\n",
         total, total == 1 ? "" : "s", total > lines.size() ? ", the flagged ones and the first others drawn" : "");
    putf(p, "<svg class=\"chart\" width=\"640\" height=\"%zu\" role=\"img\" aria-label=\"Flight lines\">\n",
         lines.size() * 16 + 4);
    const double span = t1 > t0 ? t1 - t0 : 1;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const Line &l = lines[k];
        const double y = 2 + static_cast<double>(k) * 16;
        putf(p, "<text x=\"70\" y=\"%.0f\" text-anchor=\"end\">line ", y + 11);
        put_escaped(p, l.id);
        put(p, "</text>");
        double x = 76, w = 2;
        if (any && l.has_gps) x = 76 + (l.gps_min - t0) / span * 480, w = std::max(2.0, (l.gps_max - l.gps_min) / span * 480);
        putf(p, "<rect x=\"%.1f\" y=\"%.0f\" width=\"%.1f\" height=\"12\" style=\"fill:%s\"><title>", x, y, w, fill_of(l.worst));
        put_escaped(p, l.points + " points in " + l.tiles + (l.tiles == "1" ? " tile" : " tiles"));
        if (!l.interswath.empty()) put_escaped(p, "; interswath " + l.interswath);
        if (!l.covered.empty()) put_escaped(p, "; " + l.covered + " % covered by line " + l.covered_by);
        put(p, "</title></rect>\n");
    }
    put(p, "</svg></section>\n");
}

}  // namespace pointsieve::qa::report
