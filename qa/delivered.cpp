// The tiles of a run as they come: each row set aside, each figure kept,
// each statistics file folded into the archive.
#include "delivered.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "process.hpp"
#include "run_failure.hpp"

namespace pointsieve::qa {

namespace {

using korvane::printable_name;

void merge_stats(Delivered &d, const std::string &name, OutDir &out) {
    const korvane::FilePtr f = korvane::open_file(name.c_str(), "rb");
    ReadResult r;
    if (!f)
        r.outcome = ReadOutcome::CannotOpen;
    else
        r = read_stats(f.get(), *d.index, d.buffers, d.input, *d.merged);
    if (r.outcome != ReadOutcome::Ok) {
        std::printf("\nCannot read statistics file %s (line %lld)\n", printable_name(name).c_str(), r.line);
        fail_run(out);
    }
    if (!merge_scalars(d.input, name, *d.merged)) {
        std::printf("\nFile %s holds the detailed histograms (-d) and file %s does not: combine shards written "
                    "alike\n",
                    printable_name(d.merged->detailed_name).c_str(), printable_name(d.merged->plain_name).c_str());
        fail_run(out);
    }
}

// Folds the figures of a tile's statistics file into the archive, as
// read_stats does with the file itself.
void fold_figures(Delivered &d, const InputFigures &in, const std::string &name, OutDir &out) {
    MergedFigures &m = *d.merged;
    m.acc.ReturnCount += in.total;
    for (std::size_t b = 0; b < in.returns.by_return_number.size(); ++b) {
        m.returns.by_return_number[b] += in.returns.by_return_number[b];
        m.returns.by_number_of_returns[b] += in.returns.by_number_of_returns[b];
    }
    for (std::size_t c = 0; c < 256; ++c) m.acc.ClassificationCount[c] += in.classes[c];
    if (!merge_scalars(in, name, m)) {
        std::printf("\nFile %s holds the detailed histograms (-d) and file %s does not\n",
                    printable_name(m.detailed_name).c_str(), printable_name(m.plain_name).c_str());
        fail_run(out);
    }
}

}  // namespace

void start_tiles(Delivered &d, const KeyIndex *index, OutDir &out) {
    d.index = index;
    d.merged = std::make_unique<MergedFigures>();
    if (allocate_histograms(d.merged->acc) != Failure::None) {
        std::printf("\nCannot allocate memory for the merge\n");
        fail_run(out);
    }
    start_merge(*d.merged);
    d.rows_name = out.temp + "/.rows";
    d.rows = korvane::open_file(d.rows_name.c_str(), "w+b");
    if (!d.rows) {
        std::printf("\nCannot write in %s: %s\n", printable_name(out.temp).c_str(), std::strerror(errno));
        fail_run(out);
    }
}

void add_tile(Delivered &d, const FactFields &f, const std::string &stats_file, const InputFigures *figures,
              OutDir &out) {
    std::string row;
    for (std::size_t c = 0; c < kFactColumns; ++c) {
        if (c > 0) row += ',';
        append_csv_field(row, f[c]);
    }
    row += '\n';
    if (std::fwrite(row.data(), 1, row.size(), d.rows.get()) != row.size()) {
        std::printf("\nCannot write in %s: %s\n", printable_name(out.target).c_str(), std::strerror(errno));
        fail_run(out);
    }
    const Facts t = parse_facts(f);
    add_name(d.names, f[ColTile]);
    add_facts(d.facts, t);
    ++d.by_status[static_cast<int>(t.status)];
    if (!t.read) return;
    fold_tile_lines(d.lines, f[ColLines], f[ColLinePairs]);
    if (figures)
        fold_figures(d, *figures, stats_file, out);
    else
        merge_stats(d, stats_file, out);
    d.points += t.records;
    const std::string type = f[ColVersion] + " format " + f[ColFormat];
    auto found = std::find_if(d.types.begin(), d.types.end(), [&](const auto &p) { return p.first == type; });
    if (found == d.types.end())
        d.types.push_back({type, 1});
    else
        ++found->second;
    if (t.has_points) {
        const double v[6] = {t.x_min, t.x_max, t.y_min, t.y_max, t.z_min, t.z_max};
        for (std::size_t k = 0; k < 6; ++k) {
            const bool wider = !d.has_extent || (k % 2 == 0 ? v[k] < d.extent[k] : v[k] > d.extent[k]);
            if (wider) d.extent[k] = v[k], d.extent_text[k] = f[ColXMin + k];
        }
        d.has_extent = true;
    }
    if (t.has_gps) {
        const std::size_t e = static_cast<std::size_t>(t.gps_encoding);
        if (!d.has_gps[e] || t.gps_min < d.gps[e][0]) d.gps[e][0] = t.gps_min, d.gps_text[e][0] = f[ColGpsMin];
        if (!d.has_gps[e] || t.gps_max > d.gps[e][1]) d.gps[e][1] = t.gps_max, d.gps_text[e][1] = f[ColGpsMax];
        d.has_gps[e] = true;
    }
}

std::uint64_t unread_tiles(const Delivered &d) {
    std::uint64_t n = 0;
    for (const Status s : {Status::Refused, Status::Compressed, Status::Unreadable}) n += d.by_status[static_cast<int>(s)];
    return n;
}

}  // namespace pointsieve::qa
