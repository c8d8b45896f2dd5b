// What a tile's points say of its flight lines (point source IDs) and its
// voids. Each point of a small tile is visited, and every 227th of a large
// one: it is counted for its line and gives the line's extents and GPS
// range and the cell of the header's box it falls in (a cell none falls
// in is a void), and a last return falls in a coarser cell of its line,
// where two lines that overlap are compared.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "las_header.hpp"

namespace pointsieve::qa {

// The sums of a least-squares plane z = a + b u + c v over a line's points
// in a line cell, u and v their place across the cell (0 to 1), z their
// integer height: two lines are compared with the slope taken out.
struct CellSum {
    double n = 0, u = 0, v = 0, z = 0, uu = 0, uv = 0, vv = 0, uz = 0, vz = 0;
};

// One point source ID in a tile, of the points visited.
struct LineScan {
    std::uint16_t source = 0;
    std::uint64_t visits = 0;
    std::int32_t min[3] = {INT32_MAX, INT32_MAX, INT32_MAX};
    std::int32_t max[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
    double gps_min = std::numeric_limits<double>::infinity(), gps_max = -std::numeric_limits<double>::infinity();
    std::vector<CellSum> cells;  // its last returns by line cell; empty past kMostComparedLines
};

// The cells of the header's box: void cells, and line cells of `ratio` by
// `ratio` void cells each, counted from the box's low corner in the
// points' integer units.
struct ScanGrid {
    bool on = false;
    double x0 = 0, y0 = 0, to_column = 0, to_row = 0;  // void cells per integer unit
    std::uint32_t side = 0;                            // void cells along each axis
    std::uint32_t ratio = 1, line_side = 0;            // line cells along each axis
    double cell_width = 0, cell_height = 0;            // a void cell's, in the data's units
};

// A worker's tables, kept from tile to tile: only what a tile touched is
// cleared after it.
struct LineTable {
    std::vector<std::uint32_t> slot = std::vector<std::uint32_t>(65536);    // by source ID: 1 + its index in lines
    std::vector<LineScan> lines;
    std::vector<std::uint64_t> occupied;  // by void cell, a bit: a point fell in it
    ScanGrid grid;
    bool every_point = true;             // each point is visited
    std::uint32_t last_source = UINT32_MAX, last_slot = 0;
};

// Lines beyond this many in a tile are counted and measured, not compared.
inline constexpr std::size_t kMostComparedLines = 16;
// A line cell counts for a line where it holds this many of its last
// returns among the points visited.
inline constexpr std::uint32_t kCellPoints = 4;
// Two lines are compared in a tile where they share this many line cells.
inline constexpr std::uint32_t kFewestSharedCells = 8;
// A line's share covered by another is judged over this many of its cells.
inline constexpr std::uint64_t kFewestCoveredCells = 16;

// Readies t for a tile of header h and `records` records, of which every
// `step`-th is visited.
void start_line_scan(LineTable &t, const formats::LasHeader &h, std::uint64_t records, std::size_t step);

// The line of a source ID, added at its first point.
std::uint32_t line_slot(LineTable &t, std::uint16_t source);

// Adds a visited point (integer coordinates; compared: a last return),
// out of line: the loop that calls it stays small.
void fold_line_point(LineTable &t, std::int32_t x, std::int32_t y, std::int32_t z, double gps, std::uint16_t source,
                     bool compared);

// A line of the tile: its points, and of those visited its extents, GPS
// range (none: gps_min above gps_max) and the line cells it holds.
struct TileLine {
    std::uint16_t source = 0;
    std::uint64_t points = 0;
    bool visited = false;
    std::int32_t min[3] = {}, max[3] = {};
    double gps_min = 0, gps_max = 0;
    std::uint32_t cells = 0;
};

// Two lines of the tile that share line cells, and the lower median over
// those of the first one's mean height less the second's, in the data's
// units.
struct TilePair {
    std::uint16_t a = 0, b = 0;
    std::uint32_t shared = 0;
    double dz = 0;
};

struct TileLines {
    std::vector<TileLine> lines;  // by source ID
    std::vector<TilePair> pairs;  // by a, then b
    bool has_voids = false;
    double void_percent = 0;      // void cells of every void cell
    double void_cell = 0;         // a void cell's larger side
};

// The tile's lines, pairs and voids; clears what the tile touched. The
// lines' points are `exact` (by source ID: the detailed histogram) where
// given, else those visited where each point was, else the tile's
// `records` shared out in proportion to those visited.
TileLines finish_line_scan(LineTable &t, const formats::LasHeader &h, std::uint64_t records,
                           const std::uint64_t *exact);

}  // namespace pointsieve::qa
