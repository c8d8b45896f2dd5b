// The report's verdict grid: a row per check with its counts from
// verdicts.tsv, what it looks for, and the tiles it names.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "report_columns.hpp"
#include "report_page.hpp"
#include "report_summary.hpp"

namespace pointsieve::qa::report {

// The summary line of one check in verdicts.tsv.
struct Totals {
    std::string check;
    std::array<std::string, 3> counts;  // pass, warn, fail
};

// The summary lines of verdicts.tsv: "total<TAB>CHECK<TAB>pass=P warn=W fail=F".
bool read_totals(const std::string &name, std::vector<Totals> &totals);

void write_grid(Page &p, const std::vector<Totals> &totals, const Columns &c, const Summary &s);

}  // namespace pointsieve::qa::report
