// The panels of the report's map once its tiles are gathered: the main
// panel (grid cells when grouped, the footprints, the labels, the scale),
// the far tiles with the whole delivery to scale, and the read tiles
// without points.
#pragma once

#include <string>
#include <vector>

#include "report_map_frame.hpp"
#include "report_map_tiles.hpp"
#include "report_page.hpp"
#include "report_summary.hpp"
#include "verdict.hpp"

namespace pointsieve::qa::report {

// What the pass over tiles.csv gathered for the panels.
struct MapPanels {
    bool grouped = false, any_core = false, any_far = false;
    Frame main;
    double high = 1;  // the density at the top of the scale
    double cx0 = 0, cx1 = 0, cy0 = 0, cy1 = 0;  // the main panel's area
    double ax0 = 0, ax1 = 0, ay0 = 0, ay1 = 0;  // the whole delivery's
    std::string fine;  // individual footprints of the main panel, not yet written
    std::vector<Tile> far_list, empty_list, labelled;
    std::vector<Tile> unlabelled;  // findings on tiles too narrow for a label
    // The grid cells of a grouped map.
    double cell_px = 0;
    int grid_columns = 1;
    std::vector<double> cell_sum, cell_n;
    std::vector<Verdict> cell_worst;
};

// The rest of the main panel (a grouped one whole), where it has tiles.
void draw_main_panel(Page &p, MapPanels &m);

// The far tiles' panel, where there are any.
void draw_far_panel(Page &p, MapPanels &m);

// The strip of read tiles without points, where there are any.
void draw_empty_strip(Page &p, MapPanels &m, const Summary &s);

}  // namespace pointsieve::qa::report
