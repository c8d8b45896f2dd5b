// A tile on the report's map: what the map tells of it, its outline by
// verdict, its label and tooltip, and its footprint as an SVG rectangle.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "box.hpp"
#include "report_columns.hpp"
#include "report_map_frame.hpp"
#include "verdict.hpp"

namespace pointsieve::qa::report {

// What the map tells of one tile.
struct Tile {
    std::size_t row = 0;
    std::string name, label, tip, fill;
    Verdict verdict = Verdict::Pass;
    Box box{};
};

// The label of a tile with findings: its mark and the checks of its worst
// verdict in words ("✗ low density, duplicate").
std::string label_of(const Columns &c, const std::vector<std::string> &row, Verdict worst);

// The tooltip: the tile's name, its verdict and findings, points and density.
std::string tip_of(const Columns &c, const std::vector<std::string> &row, Verdict worst, const std::string &label);

// Appends the tile's footprint at x, y (pixels), w by h, linked to its row.
void footprint(std::string &out, const Tile &t, double x, double y, double w, double h);

// Appends each hole of holes_csv (cells of the tile grid without a tile)
// in frame f, hatched and named; returns their number. The tiles of the
// tile index not delivered go to missing.
std::size_t hole_footprints(std::string &out, const std::string &holes_csv, const Frame &f,
                            std::vector<std::string> &missing);

}  // namespace pointsieve::qa::report
