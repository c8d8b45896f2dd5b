// The tiles of the report's map.
#include "report_map_tiles.hpp"

#include <algorithm>

#include "csv.hpp"
#include "report_map_frame.hpp"
#include "report_page.hpp"

namespace pointsieve::qa::report {

namespace {

const char *outline(Verdict v) {
    switch (v) {
    case Verdict::Fail: return " stroke=\"#d7191c\" stroke-width=\"3\"";
    case Verdict::Warn: return " stroke=\"#e08a00\" stroke-width=\"2.5\" stroke-dasharray=\"7 3\"";
    default: return " stroke=\"#ffffff\" stroke-width=\"0.6\"";
    }
}

}  // namespace

std::string label_of(const Columns &c, const std::vector<std::string> &row, Verdict worst) {
    std::string words;
    int n = 0;
    for (std::size_t k = 0; k < c.checks.size(); ++k) {
        if (verdict_of(field(row, c.checks[k])) != worst) continue;
        if (n++ == 3) {
            words += ", \u2026";
            break;
        }
        if (!words.empty()) words += ", ";
        words += check_words(c.check_names[k]);
    }
    return std::string(verdict_mark(worst)) + " " + words;
}

std::string tip_of(const Columns &c, const std::vector<std::string> &row, Verdict worst, const std::string &label) {
    std::string tip = field(row, c.tile);
    tip += '\n';
    tip += verdict_word(worst);
    if (worst > Verdict::Pass) {
        tip += ": ";
        tip.append(label, label.find(' ') + 1);
    }
    double v = 0;
    if (parse_number(field(row, c.read), v)) {
        tip += '\n';
        tip += thousands(v);
        tip += " points";
    }
    if (!field(row, c.density).empty()) {
        tip += "\ndensity ";
        tip += field(row, c.density);
        tip += " per square unit";
    }
    return tip;
}

void footprint(std::string &out, const Tile &t, double x, double y, double w, double h) {
    out += "<a href=\"#t" + std::to_string(t.row) + "\"><rect class=\"fp\" data-tile=\"";
    Page tmp;
    put_escaped(tmp, t.name);
    out += tmp.buffer;
    out += "\" data-verdict=\"";
    out += verdict_word(t.verdict);
    out += "\" x=\"" + n1(x) + "\" y=\"" + n1(y) + "\" width=\"" + n1(std::max(w, 0.8)) + "\" height=\"" +
           n1(std::max(h, 0.8)) + "\" fill=\"" + t.fill + "\"" + outline(t.verdict) + "><title>";
    tmp.buffer.clear();
    put_escaped(tmp, t.tip);
    out += tmp.buffer + "</title></rect></a>\n";
}

std::size_t hole_footprints(std::string &out, const std::string &holes_csv, const Frame &f,
                            std::vector<std::string> &missing) {
    TableReader t;
    if (!open_table(t, holes_csv, ',')) return 0;
    std::vector<std::string> row;
    next_row(t, row);  // the heading
    std::size_t holes = 0;
    while (next_row(t, row)) {
        double b[4];
        if (row.size() == 7 && !row[0].empty()) missing.push_back(row[0]);  // a tile of the index
        if (row.size() != 7 || !parse_number(row[3], b[0]) || !parse_number(row[4], b[1]) ||
            !parse_number(row[5], b[2]) || !parse_number(row[6], b[3]))
            continue;
        if (holes++ == 0)
            out += "<defs><pattern id=\"hole\" patternUnits=\"userSpaceOnUse\" width=\"6\" height=\"6\" "
                   "patternTransform=\"rotate(45)\"><line x1=\"0\" y1=\"0\" x2=\"0\" y2=\"6\" stroke=\"#777\" "
                   "stroke-width=\"2\"/></pattern></defs>\n";
        const double x = px(f, b[0]), y = py(f, b[3]), w = (b[1] - b[0]) * f.scale, h = (b[3] - b[2]) * f.scale;
        Page name;
        put_escaped(name, row[0].empty() ? "hole: column " + row[1] + ", row " + row[2] : "missing: " + row[0]);
        out += "<rect class=\"hole\" x=\"" + n1(x) + "\" y=\"" + n1(y) + "\" width=\"" + n1(std::max(w, 0.8)) +
               "\" height=\"" + n1(std::max(h, 0.8)) + "\" fill=\"url(#hole)\" stroke=\"#777\"><title>" + name.buffer +
               "</title></rect>\n";
        if (w >= kLabelledWidth)
            out += "<text class=\"hole-label\" x=\"" + n1(x + w / 2) + "\" y=\"" + n1(y + h / 2) +
                   "\" text-anchor=\"middle\" font-size=\"11\">hole</text>\n";
    }
    return holes;
}

}  // namespace pointsieve::qa::report
