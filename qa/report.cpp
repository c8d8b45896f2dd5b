// The delivery report: one self-contained HTML page (inline style, SVG and
// a little script; nothing fetched) drawn from the audit's tables. It shows
// what the tables say and judges nothing itself: verdicts come from the check
// cells of tiles.csv and the summary lines of verdicts.tsv. The tables are
// streamed, tiles.csv three times, so that memory stays small at 100,000
// tiles.
#include "report.hpp"

#include <cerrno>
#include <string>
#include <vector>

#include "replace_file.hpp"
#include "report_archive.hpp"
#include "report_assets.hpp"
#include "report_charts.hpp"
#include "report_columns.hpp"
#include "report_grid.hpp"
#include "report_lines.hpp"
#include "report_map.hpp"
#include "report_page.hpp"
#include "report_summary.hpp"
#include "report_table.hpp"

namespace pointsieve::qa {

namespace report {

namespace {

void write_head(Page &p, const Summary &s) {
    put(p, "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n");
    putf(p, "<title>Delivery report: %s tiles</title>\n", thousands(static_cast<double>(s.tiles)).c_str());
    put(p, kStyle);
    put(p, "</head><body>\n<h1>Delivery report</h1>\n<p class=\"note\">Written by Pointsieve-qa from tiles.csv, "
           "verdicts.tsv, holes.csv, lines.csv and archive_stats.asc beside this page, which hold every figure shown. "
           "<a href=\"#verdicts\">Verdicts</a> \u00b7 <a href=\"#map\">Map</a> \u00b7 <a href=\"#charts\">Points</a> "
           "\u00b7 <a href=\"#lines\">Flight lines</a> \u00b7 <a href=\"#tiles\">Tiles</a></p>\n");
}

void write_figures(Page &p, const Summary &s, const ArchiveFigures &a) {
    put(p, "<section id=\"figures\"><h2>The delivery in figures</h2>\n<table class=\"kv\">\n");
    putf(p, "<tr><th>Tiles</th><td>%s: ", thousands(static_cast<double>(s.tiles)).c_str());
    for (std::size_t k = 0; k < s.by_status.size(); ++k) {
        if (k) put(p, ", ");
        put_escaped(p, s.by_status[k].first);
        putf(p, " %s", thousands(static_cast<double>(s.by_status[k].second)).c_str());
    }
    put(p, "</td></tr>\n<tr><th>Tiles by worst verdict</th><td>");
    for (const Verdict v : {Verdict::Pass, Verdict::Warn, Verdict::Fail})
        putf(p, "<span class=\"mark v%d\">%s %s</span> %s &nbsp; ", static_cast<int>(v), verdict_mark(v),
             verdict_word(v), thousands(static_cast<double>(s.by_worst[static_cast<std::size_t>(v)])).c_str());
    putf(p, "</td></tr>\n<tr><th>Points read</th><td>%s of %s declared, in %s read tiles</td></tr>\n",
         thousands(s.points).c_str(), thousands(s.declared).c_str(),
         thousands(static_cast<double>(s.read_tiles)).c_str());
    put(p, "<tr><th>LAS types</th><td>");
    if (s.by_type.empty()) put(p, "none known");
    for (std::size_t k = 0; k < s.by_type.size(); ++k) {
        if (k) put(p, "; ");
        put_escaped(p, s.by_type[k].first);
        putf(p, ": %s", thousands(static_cast<double>(s.by_type[k].second)).c_str());
    }
    put(p, "</td></tr>\n");
    static const char *const kAxes[] = {"X", "Y", "Z"};
    for (std::size_t k = 0; k < 3; ++k) {
        if (!s.extent_set[2 * k] || !s.extent_set[2 * k + 1]) continue;
        putf(p, "<tr><th>%s extent</th><td class=\"num\" style=\"text-align:left\">", kAxes[k]);
        put_escaped(p, s.extent_text[2 * k]);
        put(p, " to ");
        put_escaped(p, s.extent_text[2 * k + 1]);
        put(p, "</td></tr>\n");
    }
    for (const Summary::Gps &g : s.gps) {
        put(p, "<tr><th>GPS time (");
        put_escaped(p, g.encoding == "week" ? "week seconds" : g.encoding == "standard" ? "adjusted standard" : g.encoding);
        putf(p, ")</th><td>%.6f to %.6f</td></tr>\n", g.min, g.max);
    }
    if (!s.by_crs.empty()) {
        put(p, "<tr><th>Coordinate systems</th><td>");
        for (std::size_t k = 0; k < s.by_crs.size(); ++k) {
            if (k > 0) put(p, ", ");
            put_escaped(p, s.by_crs[k].first);
            putf(p, ": %s", thousands(static_cast<double>(s.by_crs[k].second)).c_str());
        }
        put(p, "</td></tr>\n");
    }
    if (s.compressed_tiles > 0)
        putf(p, "<tr><th>Compression</th><td>%s of %s read tiles are LAZ: %s bytes for %s bytes of point records, "
                "%.1f times smaller</td></tr>\n",
             thousands(static_cast<double>(s.compressed_tiles)).c_str(),
             thousands(static_cast<double>(s.read_tiles)).c_str(), thousands(s.compressed_bytes).c_str(),
             thousands(s.record_bytes).c_str(), s.compressed_bytes > 0 ? s.record_bytes / s.compressed_bytes : 0.0);
    if (!s.densities.empty())
        putf(p, "<tr><th>Median density</th><td>%.6g points per square unit of the data, over %s tiles holding points</td></tr>\n",
             s.median_density, thousands(static_cast<double>(s.densities.size())).c_str());
    if (!s.densities_m2.empty())
        putf(p, "<tr><th>Median density per m²</th><td>%.6g points and %.6g first returns per square metre, over %s "
                "tiles of known units</td></tr>\n",
             s.median_density_m2, s.median_first_density_m2,
             thousands(static_cast<double>(s.densities_m2.size())).c_str());
    if (!a.present)
        put(p, "<tr><th>archive_stats.asc</th><td>none: no tile was read, so there is no merged statistics file"
               "</td></tr>\n");
    put(p, "</table></section>\n");
}

}  // namespace

}  // namespace report

bool write_report(const std::string &dir, bool detailed, const MergedFigures *archived) {
    using namespace report;
    Columns columns;
    Summary summary;
    ArchiveFigures archive;
    std::vector<Totals> totals;
    errno = 0;
    if (!summarise(dir + "/tiles.csv", columns, summary) || !read_totals(dir + "/verdicts.tsv", totals))
        return false;
    if (archived && archived->files > 0)
        archive = archive_figures(archived->acc, archived->returns, merged_detailed(*archived));
    else if (!archived && !read_archive(dir + "/archive_stats.asc", archive))
        return false;

    Replacement r;
    if (!begin_replacement(dir + "/report.html", r)) return false;
    Page p;
    p.file = r.file.get();
    write_head(p, summary);
    write_figures(p, summary, archive);
    write_grid(p, totals, columns, summary);
    if (!write_map(p, dir + "/tiles.csv", columns, summary) && !p.failed) {
        p.failed = true;
        p.error = errno ? errno : EIO;
    }
    write_charts(p, archive, detailed, summary.extended_classes);
    write_lines(p, dir + "/lines.csv");
    write_table(p, dir, columns, summary);
    put(p, kScript);
    put(p, "</body></html>\n");
    if (!drain(p)) {
        const int e = p.error ? p.error : errno ? errno : EIO;
        abandon_replacement(r);
        errno = e;
        return false;
    }
    return finish_replacement(r);
}

}  // namespace pointsieve::qa
