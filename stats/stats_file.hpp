// The statistics file: the figures of the report as key-value lines, in a
// text file beside the input.
#pragma once

#include <cstdio>
#include <string>

#include "failure.hpp"
#include "report.hpp"

namespace pointsieve {

// Name of the statistics file: the input less its last four characters,
// followed by "_stats.asc".
std::string stats_file_name(const std::string &input);

// Writes the key-value lines of acc to out.
void write_stats(std::FILE *out, const RunDescription &run, const Accumulator &acc);

// Writes the key-value lines of figures already worked out: the scalar
// values as printed, and the histograms (the detailed ones only when
// detailed).
void write_stats(std::FILE *out, const ScalarTexts &values, const Accumulator &acc, const ReturnTables &returns,
                 bool detailed);

// Writes the statistics file called name, replacing whatever that name
// held once the new file is whole; a failure leaves the name as it was.
// Returns Failure::None, StatsCannotOpen when the file cannot be created, or
// StatsCannotWrite.
Failure save_stats_file(const std::string &name, const RunDescription &run, const Accumulator &acc);

}  // namespace pointsieve
