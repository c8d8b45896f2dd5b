// The delivery report: one self-contained HTML page drawn from the tables an
// audit wrote (tiles.csv, verdicts.tsv and archive_stats.asc).
#pragma once

#include <string>

#include "merge.hpp"

namespace pointsieve::qa {

// Reads tiles.csv, verdicts.tsv and (when present) archive_stats.asc in the
// folder dir and writes dir/report.html from them. detailed: the run read
// the detailed histograms (-d). archived: the merged figures archive_stats.asc
// was written from, when the caller holds them, so that the file is not
// read back (nullptr: read it). False, with errno set where it tells why,
// when a table cannot be read or the page cannot be written whole.
bool write_report(const std::string &dir, bool detailed, const MergedFigures *archived = nullptr);

}  // namespace pointsieve::qa
