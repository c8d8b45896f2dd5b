// The console summary report.
#include "report.hpp"

#include <algorithm>

#include "file_util.hpp"
#include "las_format.hpp"

namespace pointsieve {

using korvane::digit;

ReturnTables return_tables(const Accumulator &acc) {
    return {return_number_counts(acc), number_of_returns_counts(acc)};
}

std::array<ReportSection, 8> report_sections(const Accumulator &acc, const ReturnTables &returns) {
    return {{
        {returns.by_return_number, 1, 9, 0, 4, false, false,  //
         "%d%s Returns           %12.0f\n", "%d%sReturns %19.0f\n"},
        {returns.by_number_of_returns, 1, 9, 0, 4, false, true,  //
         "Number of Returns = %d%.0s %12.0f\n", "NumberReturns%d%.0s %15.0f\n"},
        {acc.ClassificationCount, 0, 255, 0, -1, false, true,  //
         "Return Class %3d%.0s      %12.0f\n", "Class%03d%.0s %21.0f\n"},
        {acc.IntensityCount, 0, 65535, 0, -1, true, true,  //
         "Intensity %5d%.0s       %12.0f\n", "Intensity%05d%.0s %15.0f\n"},
        // The byte is the signed angle: bins 128 to 255 are the angles -128
        // to -1, and come first.
        {acc.ScanAngleRankCount, 128, 255, -256, -1000, true, true,  //
         "Scan Angle Rank %3d%.0s %12.0f\n", "ScanAngleRank%04d%.0s %12.0f\n"},
        {acc.ScanAngleRankCount, 0, 127, 0, -1, true, false,  //
         "Scan Angle Rank %3d%.0s %12.0f\n", "ScanAngleRank%03d%.0s %13.0f\n"},
        {acc.UserDataCount, 0, 255, 0, -1, true, true,  //
         "User Data %3d%.0s       %12.0f\n", "UserData%03d%.0s %18.0f\n"},
        {acc.PointSourceIDCount, 0, 65535, 0, -1, true, true,  //
         "Point Source ID %5d%.0s %10.0f\n", "PointSourceID%05d%.0s %11.0f\n"},
    }};
}

void print_section(std::FILE *out, const ReportSection &section, const char *pattern) {
    // Return numbers 1 to 4 read 1st, 2nd, 3rd, 4th; 5 to 9 read 5th to 9th.
    static const char *const kSuffix[10] = {"th", "st", "nd", "rd", "th", "th", "th", "th", "th", "th"};
    for (int bin = section.first; bin <= section.last; ++bin) {
        const std::uint64_t count = section.bins[static_cast<std::size_t>(bin)];
        const int key = bin + section.key_offset;
        if (count > 0 || key <= section.always_up_to)
            std::fprintf(out, pattern, key, kSuffix[bin % 10], as_double(count));
    }
}

void print_report(const RunDescription &run, const Accumulator &acc) {
    // Blanks the progress line: 78 spaces, or as many as the longest
    // progress line of the run held.
    std::printf("\r%*s", std::max(78, run.widest_progress), "");
    if (run.list_mode)
        std::printf("\nSummary of %d files listed in %s\n\n", run.file_count, korvane::shown(run.input).c_str());
    else
        std::printf("\nSummary of %s\n\n", korvane::shown(run.input).c_str());

    const LAS12Header &h = run.last_header;
    std::printf("\rLAS version %c.%c, Format %c (Type %d)\n", digit(h.VersionMajor), digit(h.VersionMinor),
                digit(h.PointDataFormatID), static_cast<int>(run.LASType));
    std::printf("-----------------------------------------------\n\n");
    std::printf("Total points :   %10.0f\n\n", as_double(acc.ReturnCount));
    std::printf("X range :        %13.2f to %13.2f\n", acc.minX, acc.maxX);
    std::printf("Y range :        %13.2f to %13.2f\n", acc.minY, acc.maxY);
    std::printf("Z range :        %13.2f to %13.2f\n", acc.minZ, acc.maxZ);
    std::printf("\n");
    if (korvane::type_has_gps_time(run.LASType))
        std::printf("GPS Time range : %13.6f to %13.6f\n\n", acc.minGPSTime, largest_gps_time(acc));
    else
        std::printf("GPS Time range : \n\n");

    const ReturnTables returns = return_tables(acc);
    for (const ReportSection &section : report_sections(acc, returns)) {
        if (section.detailed && !run.detailed) break;
        if (section.blank_line_before) std::printf("\n");
        print_section(stdout, section, section.console);
    }
}

}  // namespace pointsieve
