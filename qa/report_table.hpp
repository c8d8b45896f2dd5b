// The report's table of the tiles: a row per tile (above kGroupAbove
// tiles, per tile with a finding), each check's mark with its figure and
// limit from verdicts.tsv.
#pragma once

#include <string>

#include "report_columns.hpp"
#include "report_page.hpp"
#include "report_summary.hpp"

namespace pointsieve::qa::report {

// Reads tiles.csv and verdicts.tsv in dir side by side.
void write_table(Page &p, const std::string &dir, const Columns &c, const Summary &s);

}  // namespace pointsieve::qa::report
