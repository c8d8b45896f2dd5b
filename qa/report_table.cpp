// The tile table of the report, streamed from the tables in tile order.
#include "report_table.hpp"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "csv.hpp"

namespace pointsieve::qa::report {

namespace {

// The lines of verdicts.tsv that name tiles, walked beside tiles.csv (both
// are in tile order) to give each check cell its value and limit.
struct VerdictWalk {
    TableReader t;
    std::vector<std::string> line;
    bool have = false;
};

void advance(VerdictWalk &w) {
    w.have = next_row(w.t, w.line) && w.line.size() >= 5 && w.line[0] != "total";
}

}  // namespace

void write_table(Page &p, const std::string &dir, const Columns &c, const Summary &s) {
    const bool grouped = s.tiles > kGroupAbove;
    const std::size_t rows = grouped ? std::min(s.findings, kTableRows) : s.tiles;
    put(p, "<section id=\"tiles\"><h2>Tiles</h2>\n<p>");
    if (grouped)
        putf(p, "At %s tiles the table lists only the tiles that were not read or have a finding (%s), "
                "the first %s of them in rows and any others by name after it; tiles.csv lists every tile. ",
             thousands(static_cast<double>(s.tiles)).c_str(), thousands(static_cast<double>(s.findings)).c_str(),
             thousands(static_cast<double>(kTableRows)).c_str());
    putf(p, "Rows after the first %s are folded in blocks (open one to read it), so that the page opens fast. "
            "Hover a check's mark for the figure measured and its limit.</p>\n",
         thousands(static_cast<double>(kBlockRows)).c_str());
    put(p, "<p id=\"table-controls\" class=\"controls\" hidden>Show status <select id=\"f-status\"><option value=\"\">any"
           "</option>");
    for (const auto &st : s.by_status) {
        put(p, "<option>");
        put_escaped(p, st.first);
        put(p, "</option>");
    }
    put(p, "</select> worst verdict <select id=\"f-verdict\"><option value=\"\">any</option><option>pass</option>"
           "<option>warn</option><option>fail</option></select> (sorting and filtering bring the rows shown to the "
           "top)</p>\n");
    Page head;
    put(head, "<thead><tr><th>#</th><th>tile</th><th>status</th><th>reason</th><th>LAS</th>"
              "<th class=\"num\">points</th><th class=\"num\">density</th><th class=\"num\">Z span</th>");
    for (const std::string &name : c.check_names) {
        put(head, "<th class=\"chk\" title=\"");
        put_escaped(head, check_meaning(name));
        put(head, "\">");
        put_escaped(head, name);
        put(head, "</th>");
    }
    put(head, "</tr></thead><tbody>\n");
    put(p, "<table id=\"tile-table\" class=\"tt\">");
    put(p, head.buffer);

    TableReader t;
    VerdictWalk w;
    std::vector<std::string> row;
    if (!open_table(t, dir + "/tiles.csv", ',') || !next_row(t, row)) {
        p.failed = true;
        p.error = errno ? errno : EIO;
        return;
    }
    if (open_table(w.t, dir + "/verdicts.tsv", '\t')) advance(w);
    // The facts the table has no column for, named in the tile's tooltip.
    const std::vector<std::string> heading = row;
    std::vector<std::size_t> facts;
    for (std::size_t k = 0; k < heading.size() && heading[k].rfind("check:", 0) != 0; ++k) {
        static const char *const kShown[] = {"tile",    "status",  "reason",    "las_version", "point_format",
                                             "declared", "read",   "stats",     "density",     "footprint",
                                             "digest",  "z_min",   "z_max"};
        if (std::none_of(std::begin(kShown), std::end(kShown), [&](const char *n) { return heading[k] == n; }))
            facts.push_back(k);
    }
    std::vector<std::string> titles(c.checks.size());
    std::size_t written = 0, listed = 0;
    for (std::size_t r = 0; next_row(t, row); ++r) {
        if (row.size() == 1 && row[0].empty()) continue;
        const Verdict worst = worst_verdict(c, row);
        const std::string &name = field(row, c.tile);
        std::fill(titles.begin(), titles.end(), std::string());
        for (std::size_t last = 0; w.have && w.line[2] == name; advance(w)) {
            const auto at = std::find(c.check_names.begin(), c.check_names.end(), w.line[1]);
            const auto k = static_cast<std::size_t>(at - c.check_names.begin());
            if (at == c.check_names.end() || k + 1 <= last) break;  // the next tile of the same name
            titles[k] = w.line[3] + " (limit " + w.line[4] + ")";
            last = k + 1;
        }
        const bool finding = !was_read(c, row) || worst > Verdict::Pass;
        if (grouped && !finding) continue;
        if (written == rows) {
            // Beyond the table's rows, by name only, in folded blocks.
            if (listed == 0) {
                put(p, "</tbody></table>\n");
                if (written > kBlockRows) put(p, "</details>\n");
            } else if (listed % kBlockNames == 0) {
                put(p, "</pre></details>\n");
            }
            if (listed % kBlockNames == 0) {
                putf(p, "<details><summary>tiles with findings %s to %s, by name</summary><pre class=\"more\">",
                     thousands(static_cast<double>(written + listed + 1)).c_str(),
                     thousands(static_cast<double>(std::min(written + listed + kBlockNames, s.findings))).c_str());
            }
            ++listed;
            put_escaped(p, name);
            put(p, ":");
            for (std::size_t k = 0; k < c.checks.size(); ++k) {
                const Verdict v = verdict_of(field(row, c.checks[k]));
                if (v < Verdict::Warn) continue;
                putf(p, " %s ", verdict_mark(v));
                put_escaped(p, c.check_names[k]);
            }
            put(p, "\n");
            continue;
        }
        if (written > 0 && written % kBlockRows == 0) {
            put(p, "</tbody></table>\n");
            if (written > kBlockRows) put(p, "</details>\n");
            putf(p, "<details><summary>rows %s to %s</summary><table class=\"tt\">",
                 thousands(static_cast<double>(written + 1)).c_str(),
                 thousands(static_cast<double>(std::min(written + kBlockRows, rows))).c_str());
            put(p, head.buffer);
        }
        ++written;
        putf(p, "<tr id=\"t%llu\" data-st=\"", static_cast<unsigned long long>(r));
        put_escaped(p, field(row, c.status));
        putf(p, "\" data-wv=\"%s\"><td class=\"num\">%llu</td><td", verdict_word(worst),
             static_cast<unsigned long long>(r + 1));
        bool titled = false;
        for (const std::size_t k : facts) {
            const std::string &value = field(row, static_cast<int>(k));
            if (value.empty()) continue;
            put(p, titled ? "&#10;" : " title=\"");
            titled = true;
            put_escaped(p, heading[k]);
            put(p, " ");
            put_escaped(p, value);
        }
        put(p, titled ? "\">" : ">");
        put_escaped(p, name);
        put(p, "</td><td>");
        put_escaped(p, field(row, c.status));
        put(p, "</td><td>");
        put_escaped(p, field(row, c.reason));
        put(p, "</td><td>");
        if (!field(row, c.las_version).empty()) {
            put_escaped(p, field(row, c.las_version));
            put(p, "/");
            put_escaped(p, field(row, c.point_format));
            if (!field(row, c.compression).empty()) put(p, " LAZ");
        }
        double v = 0, z0 = 0, z1 = 0;
        putf(p, "</td><td class=\"num\">%s</td><td class=\"num\">",
             parse_number(field(row, c.read), v) ? thousands(v).c_str() : "");
        // Per square metre where the tile's units are known, else per
        // square unit of its coordinates.
        const std::string &per_m2 = field(row, c.density_m2), &per_unit = field(row, c.density);
        put_escaped(p, per_m2.empty() ? per_unit : per_m2);
        if (!per_m2.empty() || !per_unit.empty()) put(p, per_m2.empty() ? " /unit²" : " /m²");
        put(p, "</td><td class=\"num\">");
        if (parse_number(field(row, c.z_min), z0) && parse_number(field(row, c.z_max), z1)) putf(p, "%.2f", z1 - z0);
        put(p, "</td>");
        for (std::size_t k = 0; k < c.checks.size(); ++k) {
            const Verdict cv = verdict_of(field(row, c.checks[k]));
            // A word in the tooltip of a warn or fail, with the figure and
            // the limit; a pass or a dash speaks for itself.
            putf(p, "<td class=\"c v%d\"", static_cast<int>(cv));
            if (cv >= Verdict::Warn) {
                putf(p, " title=\"%s", verdict_word(cv));
                if (!titles[k].empty()) {
                    put(p, ": ");
                    put_escaped(p, titles[k]);
                }
                put(p, "\"");
            }
            putf(p, ">%s</td>", verdict_mark(cv));
        }
        put(p, "</tr>\n");
    }
    if (t.failed) {
        p.failed = true;
        p.error = errno ? errno : EIO;
    }
    put(p, listed ? "</pre></details>\n" : "</tbody></table>\n");
    if (written > kBlockRows && !listed) put(p, "</details>\n");
    put(p, "</section>\n");
}

}  // namespace pointsieve::qa::report
