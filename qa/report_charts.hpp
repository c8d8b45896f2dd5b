// The report's charts of the read tiles' points, from archive_stats.asc.
#pragma once

#include "report_archive.hpp"
#include "report_page.hpp"

namespace pointsieve::qa::report {

// The points by return, by number of returns, by class and by flag, and
// with detailed (-d) the histograms of the detailed statistics.
void write_charts(Page &p, const ArchiveFigures &a, bool detailed, bool extended_classes);

}  // namespace pointsieve::qa::report
