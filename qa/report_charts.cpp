// Bar charts and histograms of the archive's figures.
#include "report_charts.hpp"

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

namespace pointsieve::qa::report {

namespace {

// The class names of the LAS 1.0 to 1.2 table, and with extended those
// the LAS 1.4 table adds.
std::string class_name(int c, bool extended) {
    static const char *const kNames[] = {
        "created, never classified", "unclassified", "ground", "low vegetation", "medium vegetation",
        "high vegetation", "building", "low point (noise)", "model key-point", "water"};
    static const char *const kLater[] = {"rail", "road surface", "overlap", "wire guard (shield)",
                                         "wire conductor (phase)", "transmission tower",
                                         "wire-structure connector", "bridge deck", "high noise"};
    if (c >= 0 && c <= 9) return std::to_string(c) + " " + (c == 8 && extended ? "reserved" : kNames[c]);
    if (c == 12) return "12 overlap";
    if (extended && c >= 10 && c <= 18) return std::to_string(c) + " " + kLater[c - 10];
    return "class " + std::to_string(c);
}

// A horizontal bar chart of labelled counts, each with its share of all
// the points.
void bar_chart(Page &p, const char *title, const std::vector<std::pair<std::string, double>> &bars, double sum) {
    double top = 0;
    for (const auto &b : bars) top = std::max(top, b.second);
    putf(p, "<figure><figcaption>%s</figcaption><svg class=\"chart\" width=\"470\" height=\"%llu\" role=\"img\" "
            "aria-label=\"%s\">\n",
         title, static_cast<unsigned long long>(bars.size() * 18 + 4), title);
    for (std::size_t k = 0; k < bars.size(); ++k) {
        const double y = 2 + static_cast<double>(k) * 18;
        const double w = top > 0 ? bars[k].second / top * 190 : 0;
        putf(p, "<text x=\"158\" y=\"%.0f\" text-anchor=\"end\">", y + 12);
        put_escaped(p, bars[k].first);
        putf(p, "</text><rect x=\"164\" y=\"%.0f\" width=\"%.1f\" height=\"14\"><title>%s</title></rect>"
                "<text x=\"%.1f\" y=\"%.0f\">%s (%.1f%%)</text>\n",
             y, w, thousands(bars[k].second).c_str(), 168 + w, y + 12, thousands(bars[k].second).c_str(),
             sum > 0 ? 100 * bars[k].second / sum : 0.0);
    }
    put(p, "</svg></figure>\n");
}

// A histogram of the bins of values offset to offset + size - 1, over the
// range that holds points, in at most 64 columns; a line instead where no
// bin holds a point.
void histogram(Page &p, const char *title, const std::vector<double> &bins, long offset) {
    std::size_t lo = bins.size(), hi = 0;
    for (std::size_t k = 0; k < bins.size(); ++k)
        if (bins[k] > 0) lo = std::min(lo, k), hi = k;
    if (bins.empty() || lo > hi) {
        putf(p, "<figure><figcaption>%s</figcaption><p class=\"note\">No point in this histogram: none to draw."
                "</p></figure>\n",
             title);
        return;
    }
    const std::size_t span = hi - lo + 1, per = (span + 63) / 64, columns = (span + per - 1) / per;
    std::vector<double> col(columns, 0);
    for (std::size_t k = lo; k <= hi; ++k) col[(k - lo) / per] += bins[k];
    const double top = *std::max_element(col.begin(), col.end());
    putf(p, "<figure><figcaption>%s</figcaption><svg class=\"chart\" width=\"470\" height=\"150\" role=\"img\" "
            "aria-label=\"%s\">\n",
         title, title);
    const double w = 440.0 / static_cast<double>(columns);
    for (std::size_t k = 0; k < columns; ++k) {
        const double h = top > 0 ? col[k] / top * 110 : 0;
        const long first = static_cast<long>(lo + k * per) + offset;
        const long last = std::min(static_cast<long>(lo + (k + 1) * per) - 1, static_cast<long>(hi)) + offset;
        putf(p, "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\"><title>%ld%s%s: %s</title></rect>\n",
             20 + static_cast<double>(k) * w, 120 - h, std::max(w - 1, 0.5), h, first, first == last ? "" : " to ",
             first == last ? "" : std::to_string(last).c_str(), thousands(col[k]).c_str());
    }
    putf(p, "<text x=\"20\" y=\"136\">%ld</text><text x=\"460\" y=\"136\" text-anchor=\"end\">%ld</text>"
            "<text x=\"20\" y=\"10\">peak %s</text></svg></figure>\n",
         static_cast<long>(lo) + offset, static_cast<long>(hi) + offset, thousands(top).c_str());
}

}  // namespace

void write_charts(Page &p, const ArchiveFigures &a, bool detailed, bool extended_classes) {
    put(p, "<section id=\"charts\"><h2>The points of the read tiles</h2>\n");
    if (!a.present) {
        put(p, "<p>No tile was read, so there is no archive_stats.asc and nothing to chart.</p></section>\n");
        return;
    }
    if (!(a.total > 0)) {
        // Tiles were read, none of them with a point: every chart would
        // be empty.
        put(p, "<p>From archive_stats.asc: 0 points. No point was read: no chart or histogram to draw.</p></section>\n");
        return;
    }
    putf(p, "<p>From archive_stats.asc: %s points.</p>\n<div class=\"charts\">\n", thousands(a.total).c_str());
    std::vector<std::pair<std::string, double>> bars;
    // Returns 1 to 4 always, the others where points have them.
    const auto &by_return = a.returns.by_return_number, &by_returns = a.returns.by_number_of_returns;
    for (std::size_t k = 1; k < by_return.size(); ++k)
        if (k <= 4 || by_return[k] > 0) bars.emplace_back("return " + std::to_string(k), as_double(by_return[k]));
    bar_chart(p, "Points by return number", bars, a.total);
    bars.clear();
    for (std::size_t k = 1; k < by_returns.size(); ++k)
        if (k <= 4 || by_returns[k] > 0)
            bars.emplace_back(std::to_string(k) + (k == 1 ? " return" : " returns"), as_double(by_returns[k]));
    bar_chart(p, "Points by number of returns", bars, a.total);
    bars.clear();
    if (extended_classes) {
        // Point formats 6 to 10 count the 8-bit class; their flags are not
        // in the statistics files.
        for (std::size_t b = 0; b < 256; ++b)
            if (a.by_class_byte[b] > 0) bars.emplace_back(class_name(static_cast<int>(b), true), a.by_class_byte[b]);
        bar_chart(p, "Points by classification", bars, a.total);
        put(p, "<p class=\"note\">Classes as point formats 6 to 10 hold them (the LAS 1.4 table); in tiles of "
               "formats 0 to 5 a value above 31 is a class with its flags.</p>\n");
    } else {
        // The classification byte: the class in bits 0 to 4, then the
        // synthetic, key-point and withheld flags in bits 5, 6 and 7.
        std::array<double, 32> by_class{};
        std::array<double, 3> flags{};
        for (std::size_t b = 0; b < 256; ++b) {
            by_class[b & 31] += a.by_class_byte[b];
            for (std::size_t f = 0; f < 3; ++f)
                if (b & (32u << f)) flags[f] += a.by_class_byte[b];
        }
        for (int k = 0; k < 32; ++k)
            if (by_class[static_cast<std::size_t>(k)] > 0)
                bars.emplace_back(class_name(k, false), by_class[static_cast<std::size_t>(k)]);
        bar_chart(p, "Points by classification", bars, a.total);
        bar_chart(p, "Points with a classification flag",
                  {{"synthetic", flags[0]}, {"key-point", flags[1]}, {"withheld", flags[2]}}, a.total);
    }
    if (detailed) {
        histogram(p, "Intensity", a.intensity, 0);
        histogram(p, "Scan angle rank", a.scan_angle, kLowestScanAngle);
        histogram(p, "User data", a.user_data, 0);
        histogram(p, "Point source ID", a.point_source, 0);
    }
    put(p, "</div></section>\n");
}

}  // namespace pointsieve::qa::report
