// The statistics file: the figures of the report as key-value lines.
#include "stats_file.hpp"

#include "file_util.hpp"
#include "las_format.hpp"
#include "replace_file.hpp"

namespace pointsieve {

std::string stats_file_name(const std::string &input) {
    const std::size_t keep = input.size() > 4 ? input.size() - 4 : 0;
    return input.substr(0, keep) + "_stats.asc";
}

void write_stats(std::FILE *out, const ScalarTexts &values, const Accumulator &acc, const ReturnTables &returns,
                 bool detailed) {
    for (std::size_t line = 0; line < kScalarCount; ++line) write_scalar_line(out, static_cast<Scalar>(line), values[line]);
    print_sections(out, acc, returns, detailed, false);
}

void write_stats(std::FILE *out, const RunDescription &run, const Accumulator &acc) {
    write_stats(out, scalar_texts(acc, korvane::type_has_gps_time(run.LASType)), acc, return_tables(acc),
                run.detailed);
}

Failure save_stats_file(const std::string &name, const RunDescription &run, const Accumulator &acc) {
    // Written beside the name and renamed over it once whole, so that the
    // earlier file survives any failure, and a link or a FIFO of that name
    // is replaced rather than followed or opened.
    Replacement file;
    if (!begin_replacement(name, file)) return Failure::StatsCannotOpen;
    write_stats(file.file.get(), run, acc);
    return finish_replacement(file) ? Failure::None : Failure::StatsCannotWrite;
}

}  // namespace pointsieve
