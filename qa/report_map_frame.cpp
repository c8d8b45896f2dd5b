// The frame of the report's map.
#include "report_map_frame.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "median.hpp"
#include "report_columns.hpp"

namespace pointsieve::qa::report {

namespace {

// Viridis at nine even stops, interpolated in RGB between them.
constexpr unsigned char kViridis[9][3] = {
    {0x44, 0x01, 0x54}, {0x47, 0x2d, 0x7b}, {0x3b, 0x52, 0x8b}, {0x2c, 0x72, 0x8e}, {0x21, 0x91, 0x8c},
    {0x28, 0xae, 0x80}, {0x5e, 0xc9, 0x62}, {0xad, 0xdc, 0x30}, {0xfd, 0xe7, 0x25},
};

}  // namespace

bool footprint_of(const Columns &c, const std::vector<std::string> &row, Box &b) {
    if (!parse_number(field(row, c.x_min), b.x0) || !parse_number(field(row, c.x_max), b.x1) ||
        !parse_number(field(row, c.y_min), b.y0) || !parse_number(field(row, c.y_max), b.y1))
        return false;
    // Within 1e300 every difference of two coordinates is a number too.
    for (const double v : {b.x0, b.x1, b.y0, b.y1})
        if (!(std::fabs(v) <= 1e300)) return false;
    return b.x0 <= b.x1 && b.y0 <= b.y1;
}

// Marks far[i] for the boxes outside the largest group of centres, groups
// being split where consecutive centres lie more than four tile sizes apart,
// first along X, then along Y among those kept. The tile size is the median
// of the tiles that have one, and a group is weighed by its tiles of about
// that size: tiles of a point or two, all in one place, do not take the
// main panel from the tiles it can show.
std::vector<bool> far_tiles(const std::vector<Box> &boxes) {
    std::vector<bool> far(boxes.size(), false);
    std::vector<double> sizes;
    for (const Box &b : boxes)
        if (std::max(b.x1 - b.x0, b.y1 - b.y0) > 0) sizes.push_back(std::max(b.x1 - b.x0, b.y1 - b.y0));
    const double size = sizes.empty() ? 1e-9 : lower_median(sizes);
    std::vector<int> weight(boxes.size(), 1);
    if (!sizes.empty())
        for (std::size_t k = 0; k < boxes.size(); ++k)
            weight[k] = std::max(boxes[k].x1 - boxes[k].x0, boxes[k].y1 - boxes[k].y0) >= size / 1000 ? 1 : 0;
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
        long best_weight = -1;
        long group_weight = 0;
        for (std::size_t start = 0, k = 0; k < order.size(); ++k) {
            group_weight += weight[order[k]];
            if (k + 1 == order.size() || centre(order[k + 1]) - centre(order[k]) > 4 * size) {
                if (group_weight > best_weight || (group_weight == best_weight && k + 1 - start > best_len)) {
                    best_start = start;
                    best_len = k + 1 - start;
                    best_weight = group_weight;
                }
                start = k + 1;
                group_weight = 0;
            }
        }
        for (std::size_t k = 0; k < order.size(); ++k)
            if (k < best_start || k >= best_start + best_len) far[order[k]] = true;
    }
    return far;
}

// The largest scale at which the box fits; a panel kept at least
// min_height high, the box centred in it.
Frame frame_for(double x0, double x1, double y0, double y1, double max_height, double min_height) {
    Frame f;
    // A box without width or height (tiles along a line, or all at one
    // point) is drawn in a square as wide as its other side, or of one unit.
    double dx = std::max(x1 - x0, 0.0), dy = std::max(y1 - y0, 0.0);
    const double side = dx > 0 ? dx : dy > 0 ? dy : 1;
    if (!(dx > 0)) x0 -= side / 2, dx = side;
    if (!(dy > 0)) y1 += side / 2, dy = side;
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

// A number for an SVG attribute, to a tenth of a pixel.
std::string n1(double v) {
    char t[32];
    std::snprintf(t, sizeof t, "%.1f", v);
    return t;
}

// About how wide a label is drawn, in pixels (bold 12 px text).
double label_width(const std::string &text) { return 7.0 * static_cast<double>(text.size()) + 4; }

bool place_label(Page &p, std::vector<Placed> &placed, double x, double y, const std::string &text, Verdict v,
                 double width) {
    const double w = label_width(text);
    x = std::clamp(x, 2.0, std::max(2.0, width - w - 2));
    bool clear = false;
    for (int tries = 0; tries < 12 && !clear; ++tries) {
        clear = true;
        for (const Placed &q : placed)
            if (std::fabs(q.y - y) < 15 && x < q.x + q.w && q.x < x + w) clear = false;
        if (!clear) y += 15;
    }
    if (!clear) return false;
    placed.push_back({x, y, w});
    putf(p, "<text class=\"lbl %s\" x=\"%.1f\" y=\"%.1f\">", verdict_word(v), x, y);
    put_escaped(p, text);
    put(p, "</text>\n");
    return true;
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

}  // namespace pointsieve::qa::report
