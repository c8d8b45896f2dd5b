// The console summary report.
#include "report.hpp"

#include <algorithm>
#include <cstdio>

#include "las_format.hpp"
#include "process.hpp"

namespace pointsieve {

using korvane::digit_character;

namespace {

// The two values of one range line, each right-aligned in its console width.
void print_range(const char *label, const ScalarTexts &values, Scalar low, Scalar high) {
    std::printf("%s%*s to %*s\n", label, kScalarLines[low].console_width, values[low].c_str(),
                kScalarLines[high].console_width, values[high].c_str());
}

}  // namespace

void print_report_body(const ScalarTexts &values, const Accumulator &acc, const ReturnTables &returns,
                       bool detailed) {
    std::printf("Total points :   %*s\n\n", kScalarLines[TotalPoints].console_width, values[TotalPoints].c_str());
    print_range("X range :        ", values, XMin, XMax);
    print_range("Y range :        ", values, YMin, YMax);
    print_range("Z range :        ", values, ZMin, ZMax);
    std::printf("\n");
    if (values[GPSTimeMin].empty())
        std::printf("GPS Time range : \n\n");
    else {
        print_range("GPS Time range : ", values, GPSTimeMin, GPSTimeMax);
        std::printf("\n");
    }
    print_sections(stdout, acc, returns, detailed, true);
}

void print_report(const RunDescription &run, const Accumulator &acc) {
    // Blanks the progress line: 78 spaces, or as many as the longest
    // progress line of the run held.
    std::printf("\r%*s", std::max(78, run.widest_progress), "");
    if (run.list_mode)
        std::printf("\nSummary of %d files listed in %s\n\n", run.file_count, korvane::printable_name(run.input).c_str());
    else
        std::printf("\nSummary of %s\n\n", korvane::printable_name(run.input).c_str());

    const LAS12Header &h = run.last_header;
    std::printf("\rLAS version %c.%c, Format %c (Type %d)\n", digit_character(h.VersionMajor), digit_character(h.VersionMinor),
                digit_character(h.PointDataFormatID), static_cast<int>(run.LASType));
    std::printf("-----------------------------------------------\n\n");
    print_report_body(scalar_texts(acc, korvane::type_has_gps_time(run.LASType)), acc, return_tables(acc),
                      run.detailed);
}

}  // namespace pointsieve
