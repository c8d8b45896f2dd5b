// The delivery's flight lines (point source IDs), folded from the lines
// and line pairs of every tile's row, so that a run and a combine of shards
// fold the very same texts: each line's tiles, points, extents and GPS
// range; the lines that overlap, compared by their heights over the cells
// both cover; and the lines named for it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "facts.hpp"
#include "limits.hpp"
#include "verdict.hpp"

namespace pointsieve::qa {

struct LineTotal {
    std::uint64_t tiles = 0, points = 0, cells = 0;
    bool has_extent = false, has_gps = false;
    double extent[6] = {};  // x, y and z, each its least and its largest
    double gps_min = 0, gps_max = 0;
};

// Two lines that share cells: the cells summed, and the difference of
// their heights in each tile where they share enough of them.
struct PairTotal {
    std::uint64_t shared = 0;
    std::vector<double> dz;
};

struct FlightLines {
    std::map<std::uint16_t, LineTotal> lines;
    std::map<std::uint32_t, PairTotal> pairs;  // by first line << 16 | second line
};

// Folds the texts of a tile's lines and line_pairs fields.
void fold_tile_lines(FlightLines &fl, const std::string &lines, const std::string &pairs);

// The source IDs of a lines field, in its order.
std::vector<std::uint16_t> line_sources(const std::string &lines);

// What is said of a line. Interswath: the lower median, over the lines it
// is compared with, of the difference of heights (each pair's the lower
// median over its tiles). The line that differs most from the lines it
// meets is named first, and its pairs are set aside before the next is
// weighed, so that the lines it meets are not blamed for it. Covered: the
// share of its cells that another line covers too (a line flown again, or
// left in).
struct LineJudgement {
    std::uint16_t source = 0;
    std::size_t compared = 0;  // lines it is compared with
    bool has_interswath = false, has_covered = false;
    double interswath = 0, covered = 0;
    std::uint16_t covered_by = 0;
    Verdict interswath_verdict = Verdict::NotApplicable, covered_verdict = Verdict::NotApplicable;
};

std::vector<LineJudgement> judge_lines(const FlightLines &fl, const Limits &limits);

// For each tile, the largest share covered of the lines it holds (NaN: no
// line judged).
std::vector<double> tile_line_covered(const FactsTable &facts, const std::vector<LineJudgement> &judged);

// Writes lines.csv: a row a line, in order of source ID. False when a
// write fails.
bool write_lines_table(std::FILE *f, const FlightLines &fl, const std::vector<LineJudgement> &judged);

}  // namespace pointsieve::qa
