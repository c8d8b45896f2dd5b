// The console summary report.
#include "report.hpp"

#include "las_io.hpp"

namespace pointsieve {

using korvane::digit;

void print_report(const RunDescription &run, const Accumulator &acc) {
    std::printf("\r%78s", "");
    if (run.list_mode)
        std::printf("\nSummary of %d files listed in %s\n\n", run.file_count, run.input.c_str());
    else
        std::printf("\nSummary of %s\n\n", run.input.c_str());

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

    const auto returns = return_number_counts(acc);
    std::printf("1st Returns           %12.0f\n", as_double(returns[1]));
    std::printf("2nd Returns           %12.0f\n", as_double(returns[2]));
    std::printf("3rd Returns           %12.0f\n", as_double(returns[3]));
    std::printf("4th Returns           %12.0f\n", as_double(returns[4]));
    for (int r = 5; r <= 9; ++r)
        if (returns[r] > 0) std::printf("%dth Returns           %12.0f\n", r, as_double(returns[r]));
    std::printf("\n");

    const auto numbers = number_of_returns_counts(acc);
    for (int r = 1; r <= 9; ++r)
        if (r <= 4 || numbers[r] > 0) std::printf("Number of Returns = %d %12.0f\n", r, as_double(numbers[r]));
    std::printf("\n");

    for (int c = 0; c < 256; ++c)
        if (acc.ClassificationCount[c] > 0)
            std::printf("Return Class %3d      %12.0f\n", c, as_double(acc.ClassificationCount[c]));

    if (!run.detailed) return;

    std::printf("\n");
    for (int v = 0; v < 65536; ++v)
        if (acc.IntensityCount[v] > 0) std::printf("Intensity %5d       %12.0f\n", v, as_double(acc.IntensityCount[v]));
    std::printf("\n");
    // The byte is the signed angle: bins 128 to 255 are the angles -128 to -1.
    for (int b = 128; b < 256; ++b)
        if (acc.ScanAngleRankCount[b] > 0)
            std::printf("Scan Angle Rank %3d %12.0f\n", b - 256, as_double(acc.ScanAngleRankCount[b]));
    for (int b = 0; b < 128; ++b)
        if (acc.ScanAngleRankCount[b] > 0)
            std::printf("Scan Angle Rank %3d %12.0f\n", b, as_double(acc.ScanAngleRankCount[b]));
    std::printf("\n");
    for (int v = 0; v < 256; ++v)
        if (acc.UserDataCount[v] > 0) std::printf("User Data %3d       %12.0f\n", v, as_double(acc.UserDataCount[v]));
    std::printf("\n");
    for (int v = 0; v < 65536; ++v)
        if (acc.PointSourceIDCount[v] > 0)
            std::printf("Point Source ID %5d %10.0f\n", v, as_double(acc.PointSourceIDCount[v]));
}

}  // namespace pointsieve
