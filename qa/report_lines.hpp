// The report's flight lines, drawn from lines.csv.
#pragma once

#include <string>

#include "report_page.hpp"

namespace pointsieve::qa::report {

// A bar a line over the delivery's GPS time, the flagged lines first;
// nothing where lines_csv cannot be read or holds no line.
void write_lines(Page &p, const std::string &lines_csv);

}  // namespace pointsieve::qa::report
