// The report's map: every read tile's footprint to scale, filled by density
// on the viridis scale and outlined by its worst verdict; tiles far from the
// rest in a second panel; read tiles without points in a strip of their own.
// Above kGroupAbove tiles the tiles that passed are grouped into grid cells.
#include <algorithm>
#include <cmath>
#include <numeric>

#include "median.hpp"
#include "report_parts.hpp"

namespace pointsieve::qa::report {

namespace {

constexpr double kWidth = 960, kMaxHeight = 620, kPad = 12;
constexpr std::size_t kMaxLabels = 40;
constexpr double kLabelledWidth = 24;  // pixels
constexpr double kBarHeight = 16;  // below a panel, for its scale bar
constexpr int kGridColumns = 240;
constexpr std::size_t kShades = 64;         // of the grouped cells
constexpr std::size_t kIndividual = 2000;   // tiles with findings drawn one by one when grouped

// Viridis at nine even stops, interpolated in RGB between them.
constexpr unsigned char kViridis[9][3] = {
    {0x44, 0x01, 0x54}, {0x47, 0x2d, 0x7b}, {0x3b, 0x52, 0x8b}, {0x2c, 0x72, 0x8e}, {0x21, 0x91, 0x8c},
    {0x28, 0xae, 0x80}, {0x5e, 0xc9, 0x62}, {0xad, 0xdc, 0x30}, {0xfd, 0xe7, 0x25},
};

// Marks far[i] for the boxes outside the largest group of centres, groups
// being split where consecutive centres lie more than four tile sizes apart,
// first along X, then along Y among those kept.
std::vector<bool> far_tiles(const std::vector<Box> &boxes) {
    std::vector<bool> far(boxes.size(), false);
    std::vector<double> w, h;
    for (const Box &b : boxes) {
        w.push_back(b.x1 - b.x0);
        h.push_back(b.y1 - b.y0);
    }
    const double size = std::max({lower_median(w), lower_median(h), 1e-9});
    for (int axis = 0; axis < 2; ++axis) {
        std::vector<std::size_t> order;
        for (std::size_t k = 0; k < boxes.size(); ++k)
            if (!far[k]) order.push_back(k);
        auto centre = [&](std::size_t k) {
            const Box &b = boxes[k];
            return axis == 0 ? (b.x0 + b.x1) / 2 : (b.y0 + b.y1) / 2;
        };
        std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return centre(a) < centre(b); });
        std::size_t best_start = 0, best_len = 0;
        for (std::size_t start = 0, k = 0; k < order.size(); ++k) {
            if (k + 1 == order.size() || centre(order[k + 1]) - centre(order[k]) > 4 * size) {
                if (k + 1 - start > best_len) {
                    best_start = start;
                    best_len = k + 1 - start;
                }
                start = k + 1;
            }
        }
        for (std::size_t k = 0; k < order.size(); ++k)
            if (k < best_start || k >= best_start + best_len) far[order[k]] = true;
    }
    return far;
}

// The pixels of a panel: data units to the SVG's own, Y upwards.
struct Frame {
    double x0 = 0, y1 = 0, scale = 1, width = 0, height = 0;
};

// The largest scale at which the box fits; a panel kept at least
// min_height high, the box centred in it.
Frame frame_for(double x0, double x1, double y0, double y1, double max_height, double min_height = 0) {
    Frame f;
    const double dx = std::max(x1 - x0, 1e-9), dy = std::max(y1 - y0, 1e-9);
    f.scale = std::min((kWidth - 2 * kPad) / dx, (max_height - 2 * kPad) / dy);
    f.x0 = x0;
    f.y1 = y1;
    f.width = dx * f.scale + 2 * kPad;
    f.height = dy * f.scale + 2 * kPad;
    if (f.height < min_height) {
        f.y1 += (min_height - f.height) / 2 / f.scale;
        f.height = min_height;
    }
    return f;
}

double px(const Frame &f, double x) { return kPad + (x - f.x0) * f.scale; }
double py(const Frame &f, double y) { return kPad + (f.y1 - y) * f.scale; }

// A number for an SVG attribute, to a tenth of a pixel.
std::string n1(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.1f", v);
    return t;
}

const char *outline(Verdict v) {
    switch (v) {
    case Verdict::Fail: return " stroke=\"#d7191c\" stroke-width=\"3\"";
    case Verdict::Warn: return " stroke=\"#e08a00\" stroke-width=\"2.5\" stroke-dasharray=\"7 3\"";
    default: return " stroke=\"#ffffff\" stroke-width=\"0.6\"";
    }
}

// What the map tells of one tile.
struct Tile {
    std::size_t row = 0;
    std::string name, label, tip, fill;
    Verdict verdict = Verdict::Pass;
    Box box{};
};

// The label of a tile with findings: its mark and the checks of its worst
// verdict in words ("✗ low density, duplicate").
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

// Labels placed top-down, each moved below the ones it would overlap.
struct Placed {
    double x, y, w;
};

// About how wide a label is drawn, in pixels (bold 12 px text).
double label_width(const std::string &text) { return 7.0 * static_cast<double>(text.size()) + 4; }

void place_label(Page &p, std::vector<Placed> &placed, double x, double y, const std::string &text, Verdict v,
                 double width) {
    const double w = label_width(text);
    x = std::clamp(x, 2.0, std::max(2.0, width - w - 2));
    for (int tries = 0; tries < 12; ++tries) {
        bool clear = true;
        for (const Placed &q : placed)
            if (std::fabs(q.y - y) < 15 && x < q.x + q.w && q.x < x + w) clear = false;
        if (clear) break;
        y += 15;
    }
    placed.push_back({x, y, w});
    putf(p, "<text class=\"lbl %s\" x=\"%.1f\" y=\"%.1f\">", verdict_word(v), x, y);
    put_escaped(p, text);
    put(p, "</text>\n");
}

std::string scale_bar(const Frame &f) {
    const double target = (f.width - 2 * kPad) / 5 / f.scale;
    const double step = std::pow(10.0, std::floor(std::log10(target)));
    double len = step;
    for (const double m : {2.0, 5.0, 10.0})
        if (step * m <= target) len = step * m;
    char text[160];
    std::snprintf(text, sizeof text,
                  "<g class=\"bar\"><rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"4\"/>"
                  "<text x=\"%.1f\" y=\"%.1f\">%g units</text></g>\n",
                  kPad, f.height + 2, len * f.scale, kPad + len * f.scale + 6, f.height + 8, len);
    return text;
}

void legend(Page &p, double high, bool grouped) {
    put(p, "<svg class=\"legend\" width=\"960\" height=\"46\" role=\"img\" aria-label=\"legend\">"
           "<defs><linearGradient id=\"viridis\">");
    for (int k = 0; k < 9; ++k) putf(p, "<stop offset=\"%d%%\" stop-color=\"%s\"/>", k * 100 / 8, viridis(k / 8.0).c_str());
    putf(p, "</linearGradient></defs><rect x=\"12\" y=\"6\" width=\"300\" height=\"14\" fill=\"url(#viridis)\"/>"
            "<text x=\"12\" y=\"36\">0</text><text x=\"162\" y=\"36\" text-anchor=\"middle\">%.4g</text>"
            "<text x=\"312\" y=\"36\" text-anchor=\"end\">\u2265 %.4g</text>"
            "<text x=\"330\" y=\"18\">points per square unit</text>",
         high / 2, high);
    put(p, "<rect x=\"530\" y=\"5\" width=\"26\" height=\"16\" fill=\"#21918c\" stroke=\"#ffffff\"/>"
           "<text x=\"560\" y=\"18\">\u2713 pass</text>"
           "<rect x=\"620\" y=\"5\" width=\"26\" height=\"16\" fill=\"#21918c\" stroke=\"#e08a00\" stroke-width=\"2.5\" "
           "stroke-dasharray=\"7 3\"/><text x=\"650\" y=\"18\">! warn (dashed)</text>"
           "<rect x=\"760\" y=\"5\" width=\"26\" height=\"16\" fill=\"#21918c\" stroke=\"#d7191c\" stroke-width=\"3\"/>"
           "<text x=\"790\" y=\"18\">\u2717 fail (solid)</text>");
    if (grouped)
        put(p, "<text x=\"530\" y=\"38\">small squares: grid cells, by their tiles' mean density</text>");
    put(p, "</svg>\n");
}

}  // namespace

std::string viridis(double t) {
    if (!(t > 0)) t = 0;
    if (t > 1) t = 1;
    const double at = t * 8;
    const int k = std::min(7, static_cast<int>(at));
    const double u = at - k;
    char rgb[8];
    int c[3];
    for (int i = 0; i < 3; ++i) c[i] = static_cast<int>(std::lround(kViridis[k][i] + u * (kViridis[k + 1][i] - kViridis[k][i])));
    std::snprintf(rgb, sizeof rgb, "#%02x%02x%02x", c[0], c[1], c[2]);
    return rgb;
}

bool write_map(Page &p, const std::string &tiles_csv, const Columns &c, const Summary &s) {
    put(p, "<section id=\"map\"><h2>Map of the tiles</h2>\n");
    if (s.read_tiles == 0) {
        put(p, "<p>No tile was read: there is nothing to draw.</p></section>\n");
        return true;
    }
    const bool grouped = s.tiles > kGroupAbove;
    const std::vector<bool> far = far_tiles(s.boxes);
    bool any_far = false, any_core = false;
    double cx0 = 0, cx1 = 0, cy0 = 0, cy1 = 0, ax0 = 0, ax1 = 0, ay0 = 0, ay1 = 0;
    for (std::size_t k = 0; k < s.boxes.size(); ++k) {
        const Box &b = s.boxes[k];
        if (k == 0) {
            ax0 = b.x0, ax1 = b.x1, ay0 = b.y0, ay1 = b.y1;
        }
        ax0 = std::min(ax0, b.x0), ax1 = std::max(ax1, b.x1), ay0 = std::min(ay0, b.y0), ay1 = std::max(ay1, b.y1);
        if (far[k]) {
            any_far = true;
            continue;
        }
        if (!any_core) cx0 = b.x0, cx1 = b.x1, cy0 = b.y0, cy1 = b.y1;
        any_core = true;
        cx0 = std::min(cx0, b.x0), cx1 = std::max(cx1, b.x1), cy0 = std::min(cy0, b.y0), cy1 = std::max(cy1, b.y1);
    }
    const double high = s.median_density > 0 ? 1.5 * s.median_density : 1;
    const Frame main = frame_for(cx0, cx1, cy0, cy1, kMaxHeight);

    put(p, "<p>Each read tile's footprint (the X\u2013Y box of its points), to scale in the data's own units, "
           "filled by its density; a tile with findings is outlined (red and solid: fail; orange and dashed: warn) "
           "and labelled with what it failed. Hover a tile for its figures; click it for its row.");
    if (grouped)
        putf(p, " At %s tiles the map draws grid cells, each filled by the mean density of its tiles, and the "
                "first 2,000 tiles with findings one by one on top of them (cells holding further ones are outlined).",
             thousands(static_cast<double>(s.tiles)).c_str());
    put(p, "</p>\n");
    legend(p, high, grouped);

    TableReader t;
    if (!open_table(t, tiles_csv, ',')) return false;
    std::vector<std::string> row;
    next_row(t, row);
    std::string fine;  // individual footprints of the main panel
    std::vector<Tile> far_list, empty_list, labelled;
    std::vector<double> cell_sum, cell_n;
    std::vector<Verdict> cell_worst;
    // Cells at most kGridColumns across, and half as wide again as a tile
    // at least, so that no cell falls between the tiles.
    double cell_px = (kWidth - 2 * kPad) / kGridColumns;
    if (grouped) {
        std::vector<double> widths;
        widths.reserve(s.boxes.size());
        for (const Box &b : s.boxes) widths.push_back((b.x1 - b.x0) * main.scale);
        cell_px = std::max(cell_px, 1.5 * lower_median(widths));
    }
    const int grid_columns = std::max(1, static_cast<int>((kWidth - 2 * kPad) / cell_px));
    const int grid_rows = static_cast<int>(std::ceil((main.height - 2 * kPad) / cell_px)) + 1;
    if (grouped) {
        cell_sum.assign(static_cast<std::size_t>(grid_columns * grid_rows), 0);
        cell_n = cell_sum;
        cell_worst.assign(cell_sum.size(), Verdict::Pass);
    }
    std::size_t box_index = 0, individual = 0;
    if (any_core && !grouped)
        putf(p, "<svg class=\"map\" width=\"%.0f\" height=\"%.0f\" role=\"img\" aria-label=\"map of the tiles\">\n",
             main.width, main.height + kBarHeight);
    for (std::size_t r = 0; next_row(t, row); ++r) {
        if (row.size() == 1 && row[0].empty()) continue;
        if (!was_read(c, row)) continue;
        Tile tile;
        tile.row = r;
        tile.name = field(row, c.tile);
        tile.verdict = worst_verdict(c, row);
        tile.label = tile.verdict > Verdict::Pass ? label_of(c, row, tile.verdict) : std::string();
        tile.tip = tip_of(c, row, tile.verdict, tile.label);
        double d = 0;
        tile.fill = parse_number(field(row, c.density), d) ? viridis(d / high) : "#bbbbbb";
        Box b{};
        const bool has_box = parse_number(field(row, c.x_min), b.x0) && parse_number(field(row, c.x_max), b.x1) &&
                             parse_number(field(row, c.y_min), b.y0) && parse_number(field(row, c.y_max), b.y1);
        if (!has_box) {
            if (!grouped || empty_list.size() < kMaxLabels) empty_list.push_back(std::move(tile));
            continue;
        }
        tile.box = b;
        const bool is_far = box_index < far.size() && far[box_index];
        ++box_index;
        if (is_far) {
            far_list.push_back(std::move(tile));
            continue;
        }
        const double x = px(main, b.x0), y = py(main, b.y1);
        if (grouped) {
            // Every tile counts in its cell; tiles with findings are drawn
            // one by one as well, up to kIndividual of them.
            const auto col = std::clamp(static_cast<int>((x + (b.x1 - b.x0) * main.scale / 2 - kPad) / cell_px), 0,
                                        grid_columns - 1);
            const auto rw = std::clamp(static_cast<int>((y + (b.y1 - b.y0) * main.scale / 2 - kPad) / cell_px), 0,
                                       grid_rows - 1);
            const auto cell = static_cast<std::size_t>(rw * grid_columns + col);
            cell_sum[cell] += d;
            cell_n[cell] += 1;
            if (tile.verdict == Verdict::Pass) continue;
            if (individual >= kIndividual) {
                cell_worst[cell] = std::max(cell_worst[cell], tile.verdict);
                continue;
            }
        }
        ++individual;
        footprint(fine, tile, x, y, (b.x1 - b.x0) * main.scale, (b.y1 - b.y0) * main.scale);
        if (!grouped && fine.size() > (std::size_t{1} << 20)) {
            put(p, fine);
            fine.clear();
        }
        // Labels where the footprints are wide enough to tell which tile
        // a label names; elsewhere outlines, tooltips and the grid do.
        if (tile.verdict > Verdict::Pass && labelled.size() < kMaxLabels && (b.x1 - b.x0) * main.scale >= kLabelledWidth)
            labelled.push_back(std::move(tile));
    }
    if (t.failed) return false;
    if (any_core) {
        if (grouped) {
            putf(p, "<svg class=\"map\" width=\"%.0f\" height=\"%.0f\" role=\"img\" aria-label=\"map of the tiles\">\n",
                 main.width, main.height + kBarHeight);
            // One path per shade of the scale and per outline, so that tens
            // of thousands of cells stay a few elements for the browser.
            std::vector<std::string> shade(kShades), edge(2);
            for (std::size_t cell = 0; cell < cell_n.size(); ++cell) {
                if (cell_n[cell] == 0) continue;
                char step[64];
                std::snprintf(step, sizeof step, "M%.1f %.1fh%.1fv%.1fh-%.1fz",
                              kPad + static_cast<double>(cell % static_cast<std::size_t>(grid_columns)) * cell_px,
                              kPad + static_cast<double>(cell / static_cast<std::size_t>(grid_columns)) * cell_px,
                              cell_px, cell_px, cell_px);
                const double level = std::clamp(cell_sum[cell] / cell_n[cell] / high, 0.0, 1.0);
                shade[static_cast<std::size_t>(std::lround(level * (kShades - 1)))] += step;
                if (cell_worst[cell] > Verdict::Pass) edge[cell_worst[cell] == Verdict::Fail ? 1 : 0] += step;
            }
            for (std::size_t k = 0; k < kShades; ++k) {
                if (shade[k].empty()) continue;
                putf(p, "<path class=\"cell\" shape-rendering=\"crispEdges\" fill=\"%s\" d=\"", viridis(static_cast<double>(k) / (kShades - 1)).c_str());
                put(p, shade[k]);
                put(p, "\"/>\n");
            }
            static const char *const kEdges[] = {"#e08a00", "#d7191c"};
            for (std::size_t k = 0; k < 2; ++k) {
                if (edge[k].empty()) continue;
                putf(p, "<path class=\"cell\" fill=\"none\" stroke=\"%s\" stroke-width=\"1\" d=\"", kEdges[k]);
                put(p, edge[k]);
                put(p, "\"/>\n");
            }
        }
        put(p, fine);
        fine.clear();
        std::vector<Placed> placed;
        for (const Tile &l : labelled)
            place_label(p, placed, px(main, l.box.x0), py(main, l.box.y1) + 14, l.label, l.verdict, main.width);
        put(p, scale_bar(main));
        putf(p, "<text class=\"corner\" x=\"%.1f\" y=\"10\" text-anchor=\"end\">X %s to %s, Y %s to %s</text>\n",
             main.width - kPad, n1(cx0).c_str(), n1(cx1).c_str(), n1(cy0).c_str(), n1(cy1).c_str());
        put(p, "</svg>\n");
    }

    if (any_far) {
        // The whole delivery at a smaller scale: the main panel's area as one
        // box, far tiles drawn at least a few pixels wide and ringed.
        const Frame all = frame_for(ax0, ax1, ay0, ay1, 300, 130);
        putf(p, "<h3>Tiles far from the rest (%s), with the whole delivery to scale</h3>\n",
             thousands(static_cast<double>(far_list.size())).c_str());
        putf(p, "<svg class=\"map far\" width=\"%.0f\" height=\"%.0f\" role=\"img\" aria-label=\"far tiles\">\n",
             all.width, all.height + kBarHeight);
        if (any_core)
            putf(p, "<rect class=\"core\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\"/>"
                    "<text class=\"corner\" x=\"%.1f\" y=\"%.1f\">the main map</text>\n",
                 px(all, cx0), py(all, cy1), std::max((cx1 - cx0) * all.scale, 3.0),
                 std::max((cy1 - cy0) * all.scale, 3.0), px(all, cx0), py(all, cy1) - 5);
        std::vector<Placed> placed;
        std::size_t n = 0;
        for (const Tile &f : far_list) {
            const double w = std::max((f.box.x1 - f.box.x0) * all.scale, 5.0);
            const double h = std::max((f.box.y1 - f.box.y0) * all.scale, 5.0);
            const double mx = px(all, (f.box.x0 + f.box.x1) / 2), my = py(all, (f.box.y0 + f.box.y1) / 2);
            if (grouped && n >= kIndividual) {
                // Beyond as many as the main panel draws one by one: one path.
                char step[80];
                std::snprintf(step, sizeof step, "M%.1f %.1fh%.1fv%.1fh-%.1fz", mx - w / 2, my - h / 2, w, h, w);
                fine += step;
                continue;
            }
            footprint(fine, f, mx - w / 2, my - h / 2, w, h);
            put(p, fine);
            fine.clear();
            if (n++ < kMaxLabels) {
                putf(p, "<circle class=\"ring %s\" cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\"/>\n", verdict_word(f.verdict), mx,
                     my, std::max(w, h) / 2 + 9);
                const std::string text = f.name + (f.label.empty() ? "" : "  " + f.label);
                const double r = std::max(w, h) / 2 + 12;
                place_label(p, placed, mx < all.width / 2 ? mx + r : mx - r - label_width(text), my + 4, text,
                            f.verdict, all.width);
            }
        }
        if (!fine.empty()) {
            put(p, "<path class=\"cell\" fill=\"#888888\" d=\"");
            put(p, fine);
            put(p, "\"/>\n");
            fine.clear();
        }
        put(p, scale_bar(all));
        put(p, "</svg>\n");
    }

    if (!empty_list.empty()) {
        putf(p, "<h3>Read tiles without points (%s): no footprint to draw</h3>\n",
             thousands(static_cast<double>(s.read_without_box)).c_str());
        if (empty_list.size() < s.read_without_box)
            putf(p, "<p>The first %s of them; the table lists them all.</p>\n",
                 thousands(static_cast<double>(empty_list.size())).c_str());
        const std::size_t per_row = 3;
        const std::size_t rows = (empty_list.size() + per_row - 1) / per_row;
        putf(p, "<svg class=\"map empty\" width=\"960\" height=\"%llu\" role=\"img\" aria-label=\"tiles without points\">\n",
             static_cast<unsigned long long>(rows * 34 + 6));
        for (std::size_t k = 0; k < empty_list.size(); ++k) {
            Tile &e = empty_list[k];
            e.fill = "url(#hatch)";
            const double x = 8 + static_cast<double>(k % per_row) * 316, y = 6 + static_cast<double>(k / per_row) * 34;
            if (k == 0)
                put(p, "<defs><pattern id=\"hatch\" width=\"6\" height=\"6\" patternUnits=\"userSpaceOnUse\">"
                       "<rect width=\"6\" height=\"6\" fill=\"#eeeeee\"/><path d=\"M0,6 L6,0\" stroke=\"#888888\"/>"
                       "</pattern></defs>\n");
            footprint(fine, e, x, y, 24, 24);
            put(p, fine);
            fine.clear();
            putf(p, "<text class=\"lbl %s\" x=\"%.1f\" y=\"%.1f\">", verdict_word(e.verdict), x + 32, y + 17);
            put_escaped(p, e.name + (e.label.empty() ? "" : "  " + e.label));
            put(p, "</text>\n");
        }
        put(p, "</svg>\n");
    }
    put(p, "</section>\n");
    return !p.failed;
}

}  // namespace pointsieve::qa::report
