// What a run found, and the console summary of it.
#pragma once

#include <string>

#include "accumulate.hpp"
#include "sections.hpp"

namespace pointsieve {

struct RunDescription {
    bool list_mode;              // the input was a list of LAS files
    int file_count;              // LASCount
    std::string input;           // the input argument as typed (LAS file or list)
    int16_t LASType;             // the common LASType of the inputs
    LAS12Header last_header;     // header of the last file processed
    bool detailed;               // -d given
    int widest_progress;         // characters of the longest progress line printed
};

// Prints the console summary of acc to standard output.
void print_report(const RunDescription &run, const Accumulator &acc);

// Prints the lines of the console summary from the point total to the last
// section: the scalar values as printed and the histograms (the detailed
// ones only when detailed). An empty GPS text prints the GPS line bare.
void print_report_body(const ScalarTexts &values, const Accumulator &acc, const ReturnTables &returns,
                       bool detailed);

}  // namespace pointsieve
