// A tile's flight lines and voids, from its points.
#include "line_scan.hpp"

#include <algorithm>
#include <cmath>

namespace pointsieve::qa {

namespace {

// Void cells should hold this many visited points on average, line cells
// this many: few enough for detail, enough that chance leaves none empty.
constexpr double kPointsPerVoidCell = 16, kPointsPerLineCell = 64;
constexpr std::uint32_t kMostLineSide = 32, kMostRatio = 8;

std::uint32_t cells_along(double points, double per_cell, std::uint32_t most) {
    const double side = std::floor(std::sqrt(points / per_cell));
    return static_cast<std::uint32_t>(std::clamp(side, 1.0, static_cast<double>(most)));
}

// The lower median of v (reordered).
double lower_median(std::vector<double> &v) {
    const auto mid = v.begin() + static_cast<std::ptrdiff_t>((v.size() - 1) / 2);
    std::nth_element(v.begin(), mid, v.end());
    return *mid;
}

// `records` shared out in proportion to counts, by largest remainder, so
// that the shares add up to the whole.
std::vector<std::uint64_t> shared_out(std::uint64_t records, const std::vector<std::uint64_t> &counts) {
    std::uint64_t counted = 0;
    for (const std::uint64_t c : counts) counted += c;
    std::vector<std::uint64_t> shares(counts.size(), 0);
    if (counted == 0) return shares;
    std::vector<std::pair<double, std::size_t>> remainders;
    std::uint64_t given = 0;
    for (std::size_t k = 0; k < counts.size(); ++k) {
        const double exact = static_cast<double>(records) * static_cast<double>(counts[k]) / static_cast<double>(counted);
        shares[k] = static_cast<std::uint64_t>(exact);
        given += shares[k];
        remainders.push_back({static_cast<double>(shares[k]) - exact, k});  // the largest remainder first
    }
    std::sort(remainders.begin(), remainders.end());
    for (std::size_t k = 0; given < records && k < remainders.size(); ++k, ++given) ++shares[remainders[k].second];
    return shares;
}

// The empty cells of a side by side grid that have points on both sides
// along their row and along their column: voids inside the points, not an
// outline that leaves part of the box empty.
std::size_t inner_voids(const std::vector<std::uint64_t> &occupied, std::uint32_t side) {
    const auto empty = [&](std::uint32_t r, std::uint32_t c) {
        const std::size_t cell = std::size_t{r} * side + c;
        return (occupied[cell >> 6] >> (cell & 63) & 1) == 0;
    };
    std::vector<std::uint32_t> first_row(side, side), last_row(side, 0);  // by column
    std::vector<std::uint32_t> first_column(side, side), last_column(side, 0);  // by row
    for (std::uint32_t r = 0; r < side; ++r) {
        for (std::uint32_t c = 0; c < side; ++c) {
            if (empty(r, c)) continue;
            first_row[c] = std::min(first_row[c], r), last_row[c] = r;
            first_column[r] = std::min(first_column[r], c), last_column[r] = c;
        }
    }
    std::size_t voids = 0;
    for (std::uint32_t r = 0; r < side; ++r)
        for (std::uint32_t c = 0; c < side; ++c)
            voids += empty(r, c) && first_column[r] < c && c < last_column[r] &&
                     first_row[c] < r && r < last_row[c];
    return voids;
}

// The height of p's points less q's in one cell, the terrain's slope
// taken out: the slope is the plane both share (fitted to each line's
// points about its own means), the difference that of the means less the
// slope's part between them.
double height_difference(const CellSum &p, const CellSum &q) {
    const auto centred = [](double ab, double a, double b, double n) { return ab - a * b / n; };
    const double suu = centred(p.uu, p.u, p.u, p.n) + centred(q.uu, q.u, q.u, q.n);
    const double suv = centred(p.uv, p.u, p.v, p.n) + centred(q.uv, q.u, q.v, q.n);
    const double svv = centred(p.vv, p.v, p.v, p.n) + centred(q.vv, q.v, q.v, q.n);
    const double suz = centred(p.uz, p.u, p.z, p.n) + centred(q.uz, q.u, q.z, q.n);
    const double svz = centred(p.vz, p.v, p.z, p.n) + centred(q.vz, q.v, q.z, q.n);
    double dz = p.z / p.n - q.z / q.n;
    const double det = suu * svv - suv * suv;
    if (det > 1e-9 * suu * svv && det > 0) {
        const double bu = (suz * svv - svz * suv) / det, bv = (svz * suu - suz * suv) / det;
        dz -= bu * (p.u / p.n - q.u / q.n) + bv * (p.v / p.n - q.v / q.n);
    }
    return dz;
}

// Compares the first kMostComparedLines lines over the line cells both hold.
std::vector<TilePair> line_pairs(const LineTable &t, const std::vector<std::size_t> &order, double z_scale) {
    std::vector<TilePair> pairs;
    std::vector<double> differences;
    for (std::size_t i = 0; i < order.size(); ++i) {
        const LineScan &a = t.lines[order[i]];
        if (a.cells.empty()) continue;
        for (std::size_t j = i + 1; j < order.size(); ++j) {
            const LineScan &b = t.lines[order[j]];
            if (b.cells.empty()) continue;
            differences.clear();
            for (std::size_t c = 0; c < a.cells.size(); ++c) {
                const CellSum &p = a.cells[c], &q = b.cells[c];
                if (p.n < kCellPoints || q.n < kCellPoints) continue;
                differences.push_back(z_scale * height_difference(p, q));
            }
            if (differences.empty()) continue;
            pairs.push_back({a.source, b.source, static_cast<std::uint32_t>(differences.size()),
                             lower_median(differences)});
        }
    }
    return pairs;
}

void clear_lines(LineTable &t) {
    for (const LineScan &l : t.lines) t.slot[l.source] = 0;
    t.lines.clear();
    t.last_source = UINT32_MAX;
}

}  // namespace

void start_line_scan(LineTable &t, const formats::LasHeader &h, std::uint64_t records, std::size_t step) {
    clear_lines(t);  // of a tile given up while it was read
    t.every_point = step == 1;
    t.grid = ScanGrid{};
    const double x0 = (h.MinX - h.XOffset) / h.XScaleFactor, x1 = (h.MaxX - h.XOffset) / h.XScaleFactor;
    const double y0 = (h.MinY - h.YOffset) / h.YScaleFactor, y1 = (h.MaxY - h.YOffset) / h.YScaleFactor;
    constexpr double kFar = 9.0e15;
    const bool box = x1 >= x0 && y1 >= y0 && std::abs(x0) < kFar && std::abs(x1) < kFar && std::abs(y0) < kFar &&
                     std::abs(y1) < kFar;
    if (!box || records == 0) return;
    const double visited = static_cast<double>(records) / static_cast<double>(step);
    ScanGrid &g = t.grid;
    g.on = true;
    g.line_side = cells_along(visited, kPointsPerLineCell, kMostLineSide);
    g.ratio = std::min(kMostRatio, cells_along(visited, kPointsPerVoidCell, kMostLineSide * kMostRatio) / g.line_side);
    g.ratio = std::max(g.ratio, 1u);
    g.side = g.line_side * g.ratio;
    // Whole integer units: the box's last unit is inside its last cell.
    g.x0 = std::floor(x0), g.y0 = std::floor(y0);
    g.to_column = g.side / (std::floor(x1) - g.x0 + 1), g.to_row = g.side / (std::floor(y1) - g.y0 + 1);
    g.cell_width = (std::floor(x1) - g.x0 + 1) * h.XScaleFactor / g.side;
    g.cell_height = (std::floor(y1) - g.y0 + 1) * h.YScaleFactor / g.side;
    t.occupied.assign((std::size_t{g.side} * g.side + 63) / 64, 0);
}

std::uint32_t line_slot(LineTable &t, std::uint16_t source) {
    std::uint32_t &slot = t.slot[source];
    if (slot == 0) {
        LineScan l;
        l.source = source;
        if (t.grid.on && t.lines.size() < kMostComparedLines)
            l.cells.assign(std::size_t{t.grid.line_side} * t.grid.line_side, CellSum{});
        t.lines.push_back(std::move(l));
        slot = static_cast<std::uint32_t>(t.lines.size());
    }
    return slot - 1;
}

void fold_line_point(LineTable &t, std::int32_t x, std::int32_t y, std::int32_t z, double gps, std::uint16_t source,
                     bool compared) {
    if (source != t.last_source) {
        const std::uint32_t slot = t.slot[source];
        t.last_slot = slot != 0 ? slot - 1 : line_slot(t, source);
        t.last_source = source;
    }
    LineScan &l = t.lines[t.last_slot];
    ++l.visits;
    l.min[0] = std::min(l.min[0], x), l.max[0] = std::max(l.max[0], x);
    l.min[1] = std::min(l.min[1], y), l.max[1] = std::max(l.max[1], y);
    l.min[2] = std::min(l.min[2], z), l.max[2] = std::max(l.max[2], z);
    if (gps < l.gps_min) l.gps_min = gps;
    if (gps > l.gps_max) l.gps_max = gps;
    const ScanGrid &g = t.grid;
    if (!g.on) return;
    const double cx = (static_cast<double>(x) - g.x0) * g.to_column, cy = (static_cast<double>(y) - g.y0) * g.to_row;
    const double side = static_cast<double>(g.side);
    if (!(cx >= 0 && cx < side && cy >= 0 && cy < side)) return;  // outside the header's box
    const auto column = static_cast<std::uint32_t>(cx), row = static_cast<std::uint32_t>(cy);
    const std::size_t cell = std::size_t{row} * g.side + column;
    t.occupied[cell >> 6] |= std::uint64_t{1} << (cell & 63);
    if (compared && !l.cells.empty()) {
        const std::uint32_t line_column = column / g.ratio, line_row = row / g.ratio;
        const double ratio = static_cast<double>(g.ratio), zz = static_cast<double>(z);
        const double u = cx / ratio - line_column, w = cy / ratio - line_row;
        CellSum &c = l.cells[line_row * g.line_side + line_column];
        c.n += 1, c.u += u, c.v += w, c.z += zz;
        c.uu += u * u, c.uv += u * w, c.vv += w * w, c.uz += u * zz, c.vz += w * zz;
    }
}

TileLines finish_line_scan(LineTable &t, const formats::LasHeader &h, std::uint64_t records,
                           const std::uint64_t *exact) {
    TileLines out;
    // The sources the tile holds: those the histogram counts, or else those
    // visited.
    std::vector<std::uint16_t> sources;
    if (exact) {
        for (std::size_t s = 0; s < 65536; ++s)
            if (exact[s] > 0) sources.push_back(static_cast<std::uint16_t>(s));
    } else {
        for (const LineScan &l : t.lines) sources.push_back(l.source);
        std::sort(sources.begin(), sources.end());
    }
    std::vector<std::uint64_t> points(sources.size(), 0);
    for (std::size_t k = 0; k < sources.size(); ++k)
        points[k] = exact ? exact[sources[k]] : t.slot[sources[k]] != 0 ? t.lines[t.slot[sources[k]] - 1].visits : 0;
    if (!exact && !t.every_point) points = shared_out(records, points);
    std::vector<std::size_t> order;  // the compared lines, by source ID
    for (std::size_t k = 0; k < sources.size(); ++k) {
        TileLine line;
        line.source = sources[k];
        line.points = points[k];
        if (const std::uint32_t slot = t.slot[line.source]; slot != 0) {
            const LineScan &l = t.lines[slot - 1];
            line.visited = true;
            std::copy(l.min, l.min + 3, line.min);
            std::copy(l.max, l.max + 3, line.max);
            line.gps_min = l.gps_min, line.gps_max = l.gps_max;
            for (const CellSum &c : l.cells) line.cells += c.n >= kCellPoints;
            if (!l.cells.empty()) order.push_back(slot - 1);
        }
        out.lines.push_back(line);
    }
    out.pairs = line_pairs(t, order, h.ZScaleFactor);
    if (t.grid.on) {
        out.has_voids = true;
        const double cells = static_cast<double>(t.grid.side) * t.grid.side;
        out.void_percent = 100.0 * static_cast<double>(inner_voids(t.occupied, t.grid.side)) / cells;
        out.void_cell = std::max(t.grid.cell_width, t.grid.cell_height);
    }
    clear_lines(t);
    return out;
}

}  // namespace pointsieve::qa
