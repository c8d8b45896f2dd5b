// The report's map of the tiles.
#pragma once

#include <string>

#include "report_columns.hpp"
#include "report_page.hpp"
#include "report_summary.hpp"

namespace pointsieve::qa::report {

// The map: footprints filled by density, outlined by verdict, a second
// panel for far tiles. Reads tiles.csv once more.
bool write_map(Page &p, const std::string &tiles_csv, const Columns &c, const Summary &s);

}  // namespace pointsieve::qa::report
