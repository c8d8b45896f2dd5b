// The report's map: every read tile's footprint to scale, filled by density
// on the viridis scale and outlined by its worst verdict; tiles far from the
// rest in a second panel; read tiles without points in a strip of their own.
// Above kGroupAbove tiles the tiles that passed are grouped into grid cells.
#include "report_map.hpp"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "csv.hpp"
#include "median.hpp"
#include "report_map_frame.hpp"
#include "report_map_panels.hpp"
#include "report_map_tiles.hpp"

namespace pointsieve::qa::report {

namespace {

// What the map shows, and its legend.
void write_map_intro(Page &p, const Summary &s, bool grouped, double high) {
    put(p, "<p>Each read tile's footprint (the X\u2013Y box of its points), to scale in the data's own units, "
           "filled by its density; a tile with findings is outlined (red and solid: fail; orange and dashed: warn) "
           "and labelled with what it failed. Hover a tile for its figures; click it for its row.");
    if (grouped)
        putf(p, " At %s tiles the map draws grid cells, each filled by the mean density of its tiles, and the "
                "first 2,000 tiles with findings one by one on top of them (cells holding further ones are outlined).",
             thousands(static_cast<double>(s.tiles)).c_str());
    put(p, "</p>\n");
    legend(p, high, grouped);
}

}  // namespace

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
    const double high = s.median_density > 0 && std::isfinite(s.median_density) ? 1.5 * s.median_density : 1;
    const Frame main = frame_for(cx0, cx1, cy0, cy1, kMaxHeight);

    if (s.boxes.empty()) {
        // Read tiles, none with a footprint: only the strip that names them.
        put(p, "<p>No read tile has a footprint (the X\u2013Y box of its points): none to draw.</p>\n");
    } else {
        write_map_intro(p, s, grouped, high);
    }

    TableReader t;
    if (!open_table(t, tiles_csv, ',')) return false;
    std::vector<std::string> row;
    next_row(t, row);
    std::string fine;  // individual footprints of the main panel
    std::vector<Tile> far_list, empty_list, labelled, unlabelled;
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
    // The holes of the tile grid, where the tiles are drawn one by one.
    std::string holes_svg;
    std::vector<std::string> missing;
    if (any_core) {
        const std::string holes_csv = tiles_csv.substr(0, tiles_csv.rfind('/') + 1) + "holes.csv";
        std::string drawn;
        const std::size_t holes = hole_footprints(drawn, holes_csv, main, missing);
        if (!grouped) holes_svg = std::move(drawn);
        if (holes > 0)
            putf(p, "<p>%s cell%s of the tile grid hold%s no tile with points: %s listed in holes.csv.</p>\n",
                 thousands(static_cast<double>(holes)).c_str(), holes == 1 ? "" : "s", holes == 1 ? "s" : "",
                 grouped ? "" : "hatched on the map, and");
    }
    if (!missing.empty()) {
        putf(p, "<p>%s tile%s of the tile index %s not delivered: ", thousands(static_cast<double>(missing.size())).c_str(),
             missing.size() == 1 ? "" : "s", missing.size() == 1 ? "was" : "were");
        for (std::size_t k = 0; k < missing.size() && k < kMaxLabels; ++k) {
            if (k > 0) put(p, ", ");
            put_escaped(p, missing[k]);
        }
        put(p, missing.size() > kMaxLabels ? ", and more in holes.csv.</p>\n" : ".</p>\n");
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
        const bool has_density = parse_number(field(row, c.density), d) && std::isfinite(d);
        if (!has_density) d = 0;
        tile.fill = has_density ? viridis(d / high) : "#bbbbbb";
        Box b{};
        if (!footprint_of(c, row, b)) {
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
        if (tile.verdict > Verdict::Pass && labelled.size() < kMaxLabels) {
            if ((b.x1 - b.x0) * main.scale >= kLabelledWidth)
                labelled.push_back(std::move(tile));
            else if (!grouped && unlabelled.size() < kMaxLabels)
                unlabelled.push_back(std::move(tile));
        }
    }
    if (t.failed) return false;
    fine += holes_svg;
    MapPanels m;
    m.grouped = grouped, m.any_core = any_core, m.any_far = any_far, m.main = main, m.high = high;
    m.cx0 = cx0, m.cx1 = cx1, m.cy0 = cy0, m.cy1 = cy1, m.ax0 = ax0, m.ax1 = ax1, m.ay0 = ay0, m.ay1 = ay1;
    m.fine = std::move(fine);
    m.far_list = std::move(far_list), m.empty_list = std::move(empty_list), m.labelled = std::move(labelled);
    m.unlabelled = std::move(unlabelled);
    m.cell_px = cell_px, m.grid_columns = grid_columns;
    m.cell_sum = std::move(cell_sum), m.cell_n = std::move(cell_n), m.cell_worst = std::move(cell_worst);
    draw_main_panel(p, m);
    draw_far_panel(p, m);
    draw_empty_strip(p, m, s);
    put(p, "</section>\n");
    return !p.failed;
}

}  // namespace pointsieve::qa::report
