// The panels of the report's map.
#include "report_map_panels.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace pointsieve::qa::report {

void draw_main_panel(Page &p, MapPanels &m) {
    if (!m.any_core) return;
    const bool grouped = m.grouped;
    const Frame &main = m.main;
    const double cx0 = m.cx0, cx1 = m.cx1, cy0 = m.cy0, cy1 = m.cy1, cell_px = m.cell_px, high = m.high;
    const int grid_columns = m.grid_columns;
    const std::vector<double> &cell_sum = m.cell_sum, &cell_n = m.cell_n;
    const std::vector<Verdict> &cell_worst = m.cell_worst;
    const std::vector<Tile> &labelled = m.labelled;
    std::string &fine = m.fine;
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
    std::vector<const Tile *> listed;  // findings without room for a label on the map
    for (const Tile &l : labelled)
        if (!place_label(p, placed, px(main, l.box.x0), py(main, l.box.y1) + 14, l.label, l.verdict, main.width))
            listed.push_back(&l);
    put(p, scale_bar(main));
    putf(p, "<text class=\"corner\" x=\"%.1f\" y=\"10\" text-anchor=\"end\">X %s to %s, Y %s to %s</text>\n",
         main.width - kPad, n1(cx0).c_str(), n1(cx1).c_str(), n1(cy0).c_str(), n1(cy1).c_str());
    put(p, "</svg>\n");
    for (const Tile &l : m.unlabelled) listed.push_back(&l);
    if (listed.empty()) return;
    put(p, "<p class=\"unlabelled\">Findings on tiles the map has no room to label: ");
    for (std::size_t k = 0; k < listed.size(); ++k) {
        putf(p, "%s<a href=\"#t%zu\">", k ? "; " : "", listed[k]->row);
        put_escaped(p, listed[k]->name);
        put(p, "</a> ");
        put_escaped(p, listed[k]->label);
    }
    put(p, ".</p>\n");
}

void draw_far_panel(Page &p, MapPanels &m) {
    if (!m.any_far) return;
    const bool grouped = m.grouped, any_core = m.any_core;
    const double cx0 = m.cx0, cx1 = m.cx1, cy0 = m.cy0, cy1 = m.cy1;
    const double ax0 = m.ax0, ax1 = m.ax1, ay0 = m.ay0, ay1 = m.ay1;
    const std::vector<Tile> &far_list = m.far_list;
    std::string &fine = m.fine;
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

void draw_empty_strip(Page &p, MapPanels &m, const Summary &s) {
    if (m.empty_list.empty()) return;
    std::vector<Tile> &empty_list = m.empty_list;
    std::string &fine = m.fine;
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

}  // namespace pointsieve::qa::report
