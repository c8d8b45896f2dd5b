// The tables of a run: archive_stats.asc, the merge of the statistics files,
// and tiles.csv and verdicts.tsv, every tile judged by every check.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "delivered.hpp"
#include "delivery_figures.hpp"
#include "flight_lines.hpp"
#include "limits.hpp"
#include "outdir.hpp"

namespace pointsieve::qa {

// The verdicts of the run, counted.
struct Tally {
    std::vector<std::array<std::uint64_t, 3>> counts;  // by check: pass, warn, fail
    std::uint64_t failing_tiles = 0;
};

// Writes archive_stats.asc from the statistics files folded; returns their
// number.
long long write_archive(const Delivered &d, OutDir &out);

// Writes holes.csv: a row for each cell of the tile grid missing inside the
// delivery, its place on the grid and its extent, then one for each tile of
// the tile index that was not delivered, its name.
void write_holes(const Delivery &delivery, OutDir &out);

// Writes lines.csv: a row for each flight line of the delivery.
void write_lines(const FlightLines &lines, const std::vector<LineJudgement> &judged, OutDir &out);

// Writes tiles.csv and verdicts.tsv, judging every tile by every check
// against the delivery's figures, and removes the file of rows.
Tally write_tables(Delivered &d, const Delivery &delivery, const Limits &limits, OutDir &out);

}  // namespace pointsieve::qa
