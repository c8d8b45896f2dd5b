// The verdict grid of the report.
#include "report_grid.hpp"

#include <algorithm>

#include "csv.hpp"

namespace pointsieve::qa::report {

bool read_totals(const std::string &name, std::vector<Totals> &totals) {
    TableReader t;
    if (!open_table(t, name, '\t')) return false;
    std::vector<std::string> f;
    while (next_row(t, f)) {
        if (f.size() < 3 || f[0] != "total") continue;
        Totals x;
        x.check = f[1];
        std::size_t at = 0;
        while (at < f[2].size()) {
            std::size_t end = f[2].find(' ', at);
            if (end == std::string::npos) end = f[2].size();
            const std::string word = f[2].substr(at, end - at);
            const std::size_t eq = word.find('=');
            if (eq != std::string::npos) {
                const std::string key = word.substr(0, eq);
                const int k = key == "pass" ? 0 : key == "warn" ? 1 : key == "fail" ? 2 : -1;
                if (k >= 0) x.counts[static_cast<std::size_t>(k)] = word.substr(eq + 1);
            }
            at = end + 1;
        }
        totals.push_back(std::move(x));
    }
    return !t.failed;
}

namespace {

// The tiles a check names, each linked to its row where the table has one.
void list_tiles(Page &p, const std::vector<Summary::Named> &named, std::size_t total, Verdict v, bool grouped) {
    if (total == 0) return;
    putf(p, "<div><span class=\"mark v%d\">%s %s</span> ", static_cast<int>(v), verdict_mark(v), verdict_word(v));
    for (std::size_t k = 0; k < named.size(); ++k) {
        const bool linked = !grouped || named[k].finding < kTableRows;
        if (k) put(p, ", ");
        if (linked) putf(p, "<a href=\"#t%llu\">", static_cast<unsigned long long>(named[k].row));
        put_escaped(p, named[k].tile);
        if (linked) put(p, "</a>");
    }
    if (total > named.size())
        putf(p, " and %s more (the table lists them all)", thousands(static_cast<double>(total - named.size())).c_str());
    put(p, "</div>");
}

}  // namespace

void write_grid(Page &p, const std::vector<Totals> &totals, const Columns &c, const Summary &s) {
    put(p, "<section id=\"verdicts\"><h2>Verdicts</h2>\n<p>One row per check: how many tiles passed, were warned "
           "of and failed (tiles a check does not apply to are not counted), and the tiles named.</p>\n"
           "<table class=\"grid\"><thead><tr><th>Check</th><th>Verdict</th><th class=\"num\">pass</th>"
           "<th class=\"num\">warn</th><th class=\"num\">fail</th><th>What it looks at, and the tiles</th></tr></thead>"
           "<tbody>\n");
    for (const Totals &x : totals) {
        auto number = [](const std::string &t) {
            double v = 0;
            return parse_number(t, v) ? v : 0.0;
        };
        // The counts' worst; a check that applied to no tile shows a dash.
        const Verdict v = number(x.counts[2]) > 0   ? Verdict::Fail
                          : number(x.counts[1]) > 0 ? Verdict::Warn
                          : number(x.counts[0]) > 0 ? Verdict::Pass
                                                    : Verdict::NotApplicable;
        put(p, "<tr data-check=\"");
        put_escaped(p, x.check);
        for (std::size_t k = 0; k < 3; ++k) {
            static const char *const kAttr[] = {"data-pass", "data-warn", "data-fail"};
            putf(p, "\" %s=\"", kAttr[k]);
            put_escaped(p, x.counts[k]);
        }
        put(p, "\"><th>");
        put_escaped(p, x.check);
        putf(p, "</th><td><span class=\"mark v%d\">%s %s</span></td>", static_cast<int>(v), verdict_mark(v),
             verdict_word(v));
        for (std::size_t k = 0; k < 3; ++k) {
            double n = 0;
            put(p, "<td class=\"num\">");
            if (parse_number(x.counts[k], n))
                put(p, thousands(n));
            else
                put_escaped(p, x.counts[k]);
            put(p, "</td>");
        }
        put(p, "<td class=\"tiles\">");
        put_escaped(p, check_meaning(x.check));
        const auto at = std::find(c.check_names.begin(), c.check_names.end(), x.check);
        if (at != c.check_names.end()) {
            const auto k = static_cast<std::size_t>(at - c.check_names.begin());
            const bool grouped = s.tiles > kGroupAbove;
            list_tiles(p, s.listed[k][1], s.listed_total[k][1], Verdict::Fail, grouped);
            list_tiles(p, s.listed[k][0], s.listed_total[k][0], Verdict::Warn, grouped);
        }
        put(p, "</td></tr>\n");
    }
    put(p, "</tbody></table></section>\n");
}

}  // namespace pointsieve::qa::report
