// The summary of a run on standard output: the delivery in figures and the
// verdicts counted by check.
#pragma once

#include "delivered.hpp"
#include "delivery_figures.hpp"
#include "tables.hpp"

namespace pointsieve::qa {

// archived: the statistics files merged into archive_stats.asc.
void print_summary(const Delivered &d, const Delivery &delivery, const Tally &tally, long long archived);

}  // namespace pointsieve::qa
