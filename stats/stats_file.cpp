// The statistics file: the figures of the report as key-value lines.
#include "stats_file.hpp"

#include "file_util.hpp"
#include "las_format.hpp"

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

    const ReturnTables returns = return_tables(acc);
    for (const ReportSection &section : report_sections(acc, returns)) {
        if (section.detailed && !run.detailed) break;
        print_section(out, section, section.file);
    }
}

Failure save_stats_file(const std::string &name, const RunDescription &run, const Accumulator &acc) {
    // Written beside the name and renamed over it once whole, so that the
    // earlier file survives any failure, and a link or a FIFO of that name
    // is replaced rather than followed or opened.
    korvane::Replacement file;
    if (!korvane::begin_replacement(name, file)) return Failure::StatsCannotOpen;
    write_stats(file.file.get(), run, acc);
    return korvane::finish_replacement(file) ? Failure::None : Failure::StatsCannotWrite;
}

}  // namespace pointsieve
