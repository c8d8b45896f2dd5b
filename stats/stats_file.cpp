// The statistics file: the figures of the report as key-value lines.
#include "stats_file.hpp"

#include "file_util.hpp"
#include "las_io.hpp"

namespace pointsieve {

std::string stats_file_name(const std::string &input) {
    const std::size_t keep = input.size() > 4 ? input.size() - 4 : 0;
    return input.substr(0, keep) + "_stats.asc";
}

void write_stats(std::FILE *out, const RunDescription &run, const Accumulator &acc) {
    std::fprintf(out, "TotalPoints %18.0f\n", as_double(acc.ReturnCount));
    std::fprintf(out, "XMin %28.2f\n", acc.minX);
    std::fprintf(out, "XMax %28.2f\n", acc.maxX);
    std::fprintf(out, "YMin %28.2f\n", acc.minY);
    std::fprintf(out, "YMax %28.2f\n", acc.maxY);
    std::fprintf(out, "ZMin %28.2f\n", acc.minZ);
    std::fprintf(out, "ZMax %28.2f\n", acc.maxZ);
    if (korvane::type_has_gps_time(run.LASType)) {
        std::fprintf(out, "GPSTimeMin %26.6f\n", acc.minGPSTime);
        std::fprintf(out, "GPSTimeMax %26.6f\n", largest_gps_time(acc));
    } else {
        std::fprintf(out, "GPSTimeMin\n");
        std::fprintf(out, "GPSTimeMax\n");
    }

    const auto returns = return_number_counts(acc);
    std::fprintf(out, "1stReturns %19.0f\n", as_double(returns[1]));
    std::fprintf(out, "2ndReturns %19.0f\n", as_double(returns[2]));
    std::fprintf(out, "3rdReturns %19.0f\n", as_double(returns[3]));
    std::fprintf(out, "4thReturns %19.0f\n", as_double(returns[4]));
    for (int r = 5; r <= 9; ++r)
        if (returns[r] > 0) std::fprintf(out, "%dthReturns %19.0f\n", r, as_double(returns[r]));

    const auto numbers = number_of_returns_counts(acc);
    for (int r = 1; r <= 9; ++r)
        if (r <= 4 || numbers[r] > 0) std::fprintf(out, "NumberReturns%d %15.0f\n", r, as_double(numbers[r]));

    for (int c = 0; c < 256; ++c)
        if (acc.ClassificationCount[c] > 0)
            std::fprintf(out, "Class%03d %21.0f\n", c, as_double(acc.ClassificationCount[c]));

    if (!run.detailed) return;

    for (int v = 0; v < 65536; ++v)
        if (acc.IntensityCount[v] > 0) std::fprintf(out, "Intensity%05d %15.0f\n", v, as_double(acc.IntensityCount[v]));
    for (int b = 128; b < 256; ++b)
        if (acc.ScanAngleRankCount[b] > 0)
            std::fprintf(out, "ScanAngleRank%04d %12.0f\n", b - 256, as_double(acc.ScanAngleRankCount[b]));
    for (int b = 0; b < 128; ++b)
        if (acc.ScanAngleRankCount[b] > 0)
            std::fprintf(out, "ScanAngleRank%03d %13.0f\n", b, as_double(acc.ScanAngleRankCount[b]));
    for (int v = 0; v < 256; ++v)
        if (acc.UserDataCount[v] > 0) std::fprintf(out, "UserData%03d %18.0f\n", v, as_double(acc.UserDataCount[v]));
    for (int v = 0; v < 65536; ++v)
        if (acc.PointSourceIDCount[v] > 0)
            std::fprintf(out, "PointSourceID%05d %11.0f\n", v, as_double(acc.PointSourceIDCount[v]));
}

SaveOutcome save_stats_file(const std::string &name, const RunDescription &run, const Accumulator &acc) {
    korvane::FilePtr out = korvane::open_file(name.c_str(), "w");
    if (!out) return SaveOutcome::CannotOpen;
    write_stats(out.get(), run, acc);
    // A full disk shows up here, at the latest when the buffer is flushed.
    const bool written = std::fflush(out.get()) == 0 && !std::ferror(out.get());
    const bool closed = std::fclose(out.release()) == 0;
    return written && closed ? SaveOutcome::Ok : SaveOutcome::CannotWrite;
}

}  // namespace pointsieve
