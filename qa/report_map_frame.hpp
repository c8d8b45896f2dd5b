// The frame of the report's map: its sizes, the pixels of a panel, the
// scale bar, the legend, the labels placed clear of each other, the viridis
// scale, and the tiles far from the rest that get a panel of their own.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "box.hpp"
#include "report_columns.hpp"
#include "report_page.hpp"
#include "verdict.hpp"

namespace pointsieve::qa::report {

inline constexpr double kWidth = 960, kMaxHeight = 620, kPad = 12;
inline constexpr std::size_t kMaxLabels = 40;
inline constexpr double kLabelledWidth = 24;  // pixels
inline constexpr double kBarHeight = 16;  // below a panel, for its scale bar
inline constexpr int kGridColumns = 240;
inline constexpr std::size_t kShades = 64;         // of the grouped cells
inline constexpr std::size_t kIndividual = 2000;   // tiles with findings drawn one by one when grouped

// A read tile's footprint from its row: false when the row gives none that
// the map can draw (no points, or extents that are not numbers, beyond
// 1e300 or upside down). The first pass and the map take the same boxes.
bool footprint_of(const Columns &c, const std::vector<std::string> &row, Box &b);

// Marks far[i] for the boxes outside the largest group of centres, groups
// being split where consecutive centres lie more than four tile sizes apart,
// first along X, then along Y among those kept.
std::vector<bool> far_tiles(const std::vector<Box> &boxes);

// The pixels of a panel: data units to the SVG's own, Y upwards.
struct Frame {
    double x0 = 0, y1 = 0, scale = 1, width = 0, height = 0;
};

// The largest scale at which the box fits; a panel kept at least
// min_height high, the box centred in it.
Frame frame_for(double x0, double x1, double y0, double y1, double max_height, double min_height = 0);

inline double px(const Frame &f, double x) { return kPad + (x - f.x0) * f.scale; }
inline double py(const Frame &f, double y) { return kPad + (f.y1 - y) * f.scale; }

// A number for an SVG attribute, to a tenth of a pixel.
std::string n1(double v);

// Labels placed top-down, each moved below the ones it would overlap.
struct Placed {
    double x, y, w;
};

// About how wide a label is drawn, in pixels (bold 12 px text).
double label_width(const std::string &text);

// Draws a label at x, y, or lower down where it would cover one placed
// before; false, drawing nothing, where no place near is clear, so that
// labels never overlap.
bool place_label(Page &p, std::vector<Placed> &placed, double x, double y, const std::string &text, Verdict v,
                 double width);

// A bar a fifth of the panel wide at most, of a round length in data units.
std::string scale_bar(const Frame &f);

// The density scale up to high, and the outlines of the verdicts.
void legend(Page &p, double high, bool grouped);

// The viridis scale, t in [0, 1], as "#rrggbb".
std::string viridis(double t);

}  // namespace pointsieve::qa::report
