// The delivery report: one self-contained HTML page (inline style, SVG and
// a little script; nothing fetched) drawn from the audit's tables. It shows
// what the tables say and judges nothing itself: verdicts come from the check
// cells of tiles.csv and the summary lines of verdicts.tsv. The tables are
// streamed, tiles.csv three times, so that memory stays small at 100,000
// tiles.
#include "report.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

#include "check_table.hpp"
#include "replace_file.hpp"
#include "report_parts.hpp"

namespace pointsieve::qa {

namespace report {

namespace {

// The class names of the LAS 1.0 to 1.2 table.
std::string class_name(int c) {
    static const char *const kNames[] = {
        "created, never classified", "unclassified", "ground", "low vegetation", "medium vegetation",
        "high vegetation", "building", "low point (noise)", "model key-point", "water"};
    if (c >= 0 && c <= 9) return std::to_string(c) + " " + kNames[c];
    if (c == 12) return "12 overlap";
    return "class " + std::to_string(c);
}

constexpr const char *kStyle = R"(<style>
body{font:14px/1.4 system-ui,-apple-system,"Segoe UI",Roboto,"DejaVu Sans",sans-serif;margin:0 auto;max-width:1000px;padding:0 16px 40px;color:#222}
h1{font-size:22px;margin:18px 0 4px}h2{font-size:18px;border-bottom:1px solid #ccc;margin:28px 0 8px}h3{font-size:15px;margin:16px 0 6px}
table{border-collapse:collapse}td,th{padding:2px 8px;text-align:left;vertical-align:top}
.kv th{font-weight:600;white-space:nowrap}.num{text-align:right;font-variant-numeric:tabular-nums}
.grid td,.grid th{border-bottom:1px solid #e4e4e4}.grid td.tiles{font-size:12px}
.mark{display:inline-block;min-width:4.2em;font-weight:700;border-radius:3px;padding:0 4px}
.v1{background:#c7e9c0;color:#14532d}.v2{background:#fdd49e;color:#7c2d12}.v3{background:#fbb4b9;color:#7f1d1d}.v0{color:#999}
a{color:#1d4ed8}svg text{font-size:12px;fill:#222}svg.map{background:#f7f7f7;display:block;margin:6px 0}
.lbl{font-weight:700;paint-order:stroke;stroke:#fff;stroke-width:3px}.lbl.fail{fill:#b10e12}.lbl.warn{fill:#8a4b00}
.ring{fill:none;stroke-width:2}.ring.fail{stroke:#d7191c}.ring.warn{stroke:#e08a00;stroke-dasharray:5 3}.ring.pass{stroke:#666}
.core{fill:#dddddd;stroke:#888}.bar rect{fill:#222}.corner{fill:#555}
.charts{display:flex;flex-wrap:wrap;gap:8px 24px}.charts figure{margin:0}.charts figcaption{font-weight:600}
.chart rect{fill:#3b528b}
#tiles table{font-size:12px}#tiles th{cursor:pointer;background:#f0f0f0}#tiles summary{cursor:pointer;margin:4px 0;color:#1d4ed8}
#tiles th.chk{writing-mode:vertical-rl;transform:rotate(180deg);font-weight:400;padding:4px 2px}
#tiles td.c{text-align:center;padding:1px 3px}#tiles tr:target{outline:2px solid #1d4ed8}
#tiles tbody tr:nth-child(even){background:#fafafa}.controls{margin:6px 0}.note{color:#555}.more{font-size:12px;white-space:pre-wrap}
</style>
)";

// Sorting by any column and filtering by status and verdict; the page reads
// the same without it.
constexpr const char *kScript = R"(<script>
(function(){
var tables=document.querySelectorAll('#tiles table.tt');if(!tables.length)return;
var bodies=Array.prototype.map.call(tables,function(t){return t.tBodies[0];}),per=bodies[0].rows.length||1;
var rank={'\u2717':3,'!':2,'\u2713':1,'\u2013':0},up={};
function rows(){var all=[];bodies.forEach(function(b){all.push.apply(all,b.rows);});return all;}
function place(all){all.forEach(function(r,i){bodies[Math.min(Math.floor(i/per),bodies.length-1)].appendChild(r);});}
function key(td){var s=td.textContent;if(s in rank)return rank[s];var n=parseFloat(s.replace(/,/g,''));return isNaN(n)?s.toLowerCase():n;}
function sortBy(i){up[i]=!up[i];var all=rows();all.sort(function(a,b){var x=key(a.cells[i]),y=key(b.cells[i]);
if(typeof x!==typeof y){x=String(x);y=String(y);}return (x<y?-1:x>y?1:0)*(up[i]?1:-1);});place(all);apply();}
Array.prototype.forEach.call(tables,function(t){Array.prototype.forEach.call(t.tHead.rows[0].cells,function(th,i){
th.title=(th.title?th.title+': ':'')+'click to sort';th.addEventListener('click',function(){sortBy(i);});});});
var st=document.getElementById('f-status'),vd=document.getElementById('f-verdict');
function shown(r){return (!st.value||r.dataset.st===st.value)&&(!vd.value||r.dataset.wv===vd.value);}
function apply(){var all=rows(),yes=all.filter(shown),no=all.filter(function(r){return !shown(r);});
place(yes.concat(no));yes.forEach(function(r){r.style.display='';});no.forEach(function(r){r.style.display='none';});}
st.addEventListener('change',apply);vd.addEventListener('change',apply);
document.getElementById('table-controls').hidden=false;
})();
</script>
)";

void write_head(Page &p, const Summary &s) {
    put(p, "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n");
    putf(p, "<title>Delivery report: %s tiles</title>\n", thousands(static_cast<double>(s.tiles)).c_str());
    put(p, kStyle);
    put(p, "</head><body>\n<h1>Delivery report</h1>\n<p class=\"note\">Written by Pointsieve-qa from tiles.csv, "
           "verdicts.tsv and archive_stats.asc beside this page, which hold every figure shown. "
           "<a href=\"#verdicts\">Verdicts</a> \u00b7 <a href=\"#map\">Map</a> \u00b7 <a href=\"#charts\">Points</a> "
           "\u00b7 <a href=\"#tiles\">Tiles</a></p>\n");
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
    if (!s.densities.empty())
        putf(p, "<tr><th>Median density</th><td>%.6g points per square unit, over %s tiles holding points</td></tr>\n",
             s.median_density, thousands(static_cast<double>(s.densities.size())).c_str());
    if (!a.present)
        put(p, "<tr><th>archive_stats.asc</th><td>none: no tile was read, so there is no merged statistics file"
               "</td></tr>\n");
    put(p, "</table></section>\n");
}

struct Totals {
    std::string check;
    std::array<std::string, 3> counts;  // pass, warn, fail
};

// The summary lines of verdicts.tsv: "total<TAB>CHECK<TAB>pass=P warn=W fail=F".
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
// range that holds points, in at most 64 columns.
void histogram(Page &p, const char *title, const std::vector<double> &bins, long offset) {
    std::size_t lo = bins.size(), hi = 0;
    for (std::size_t k = 0; k < bins.size(); ++k)
        if (bins[k] > 0) lo = std::min(lo, k), hi = k;
    if (lo > hi) return;
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

void write_charts(Page &p, const ArchiveFigures &a, bool detailed) {
    put(p, "<section id=\"charts\"><h2>The points of the read tiles</h2>\n");
    if (!a.present) {
        put(p, "<p>No tile was read, so there is no archive_stats.asc and nothing to chart.</p></section>\n");
        return;
    }
    putf(p, "<p>From archive_stats.asc: %s points.</p>\n<div class=\"charts\">\n", thousands(a.total).c_str());
    std::vector<std::pair<std::string, double>> bars;
    for (int k = 1; k <= 9; ++k)
        if (k <= 4 || a.by_return[static_cast<std::size_t>(k)] > 0)
            bars.emplace_back("return " + std::to_string(k), a.by_return[static_cast<std::size_t>(k)]);
    bar_chart(p, "Points by return number", bars, a.total);
    bars.clear();
    for (int k = 1; k <= 9; ++k)
        if (k <= 4 || a.by_returns[static_cast<std::size_t>(k)] > 0)
            bars.emplace_back(std::to_string(k) + (k == 1 ? " return" : " returns"), a.by_returns[static_cast<std::size_t>(k)]);
    bar_chart(p, "Points by number of returns", bars, a.total);
    // The classification byte: the class in bits 0 to 4, then the synthetic,
    // key-point and withheld flags in bits 5, 6 and 7.
    std::array<double, 32> by_class{};
    std::array<double, 3> flags{};
    for (std::size_t b = 0; b < 256; ++b) {
        by_class[b & 31] += a.by_class_byte[b];
        for (std::size_t f = 0; f < 3; ++f)
            if (b & (32u << f)) flags[f] += a.by_class_byte[b];
    }
    bars.clear();
    for (int k = 0; k < 32; ++k)
        if (by_class[static_cast<std::size_t>(k)] > 0) bars.emplace_back(class_name(k), by_class[static_cast<std::size_t>(k)]);
    bar_chart(p, "Points by classification", bars, a.total);
    bar_chart(p, "Points with a classification flag",
              {{"synthetic", flags[0]}, {"key-point", flags[1]}, {"withheld", flags[2]}}, a.total);
    if (detailed) {
        histogram(p, "Intensity", a.intensity, 0);
        histogram(p, "Scan angle rank", a.scan_angle, -128);
        histogram(p, "User data", a.user_data, 0);
        histogram(p, "Point source ID", a.point_source, 0);
    }
    put(p, "</div></section>\n");
}

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
        }
        double v = 0, z0 = 0, z1 = 0;
        putf(p, "</td><td class=\"num\">%s</td><td class=\"num\">",
             parse_number(field(row, c.read), v) ? thousands(v).c_str() : "");
        put_escaped(p, field(row, c.density));
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

}  // namespace

const char *check_words(const std::string &check) {
    const CheckEntry *c = find_check(check);
    return c ? c->words : check.c_str();
}

const char *check_meaning(const std::string &check) {
    const CheckEntry *c = find_check(check);
    return c ? c->meaning : "";
}

}  // namespace report

bool write_report(const std::string &dir, bool detailed) {
    using namespace report;
    Columns columns;
    Summary summary;
    ArchiveFigures archive;
    std::vector<Totals> totals;
    errno = 0;
    if (!summarise(dir + "/tiles.csv", columns, summary) || !read_totals(dir + "/verdicts.tsv", totals) ||
        !read_archive(dir + "/archive_stats.asc", archive))
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
    write_charts(p, archive, detailed);
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
