// Reading archive_stats.asc for the report's charts: the merge's reading of
// a statistics file, by the keys of the section table.
#include "report_archive.hpp"

#include <cerrno>
#include <cstdint>
#include <memory>
#include <span>

#include "file_util.hpp"
#include "merge.hpp"

namespace pointsieve::qa::report {

namespace {

// The chart of a detailed histogram, and the key of its first bin.
std::vector<double> &detailed_chart(ArchiveFigures &a, Histogram histogram, long &first_key) {
    first_key = 0;
    switch (histogram) {
        case Histogram::ScanAngleRank: first_key = kLowestScanAngle; return a.scan_angle;
        case Histogram::UserData: return a.user_data;
        case Histogram::PointSourceID: return a.point_source;
        default: return a.intensity;
    }
}

}  // namespace

bool read_archive(const std::string &name, ArchiveFigures &a) {
    errno = 0;
    const korvane::FilePtr f = korvane::open_file(name.c_str(), "rb");
    if (!f) return errno == ENOENT;
    a.present = true;
    const KeyIndex index = build_key_index();
    StatsReadBuffers buffers;
    InputFigures input;
    const auto merged = std::make_unique<MergedFigures>();
    if (allocate_histograms(merged->acc) != Failure::None) {
        errno = ENOMEM;
        return false;
    }
    const ReadResult r = read_stats(f.get(), index, buffers, input, *merged);
    if (r.outcome != ReadOutcome::Ok) {
        if (r.outcome != ReadOutcome::CannotRead || errno == 0) errno = r.outcome == ReadOutcome::CannotRead ? EIO : EINVAL;
        return false;
    }
    a = archive_figures(merged->acc, merged->returns, true);
    return true;
}

ArchiveFigures archive_figures(const Accumulator &acc, const ReturnTables &returns, bool detailed) {
    ArchiveFigures a;
    a.present = true;
    a.total = as_double(acc.ReturnCount);
    a.returns = returns;
    for (std::size_t c = 0; c < a.by_class_byte.size(); ++c) a.by_class_byte[c] = as_double(acc.ClassificationCount[c]);
    for (const SectionLayout &s : kSections) {
        if (!s.detailed) continue;
        if (!detailed || acc.IntensityCount.empty()) break;  // no detailed figures
        const std::span<const std::uint64_t> bins = section_bins(s.histogram, acc, returns);
        long first_key = 0;
        std::vector<double> &chart = detailed_chart(a, s.histogram, first_key);
        chart.resize(bins.size(), 0.0);
        for (int bin = s.first; bin <= s.last; ++bin) {
            const long at = bin + s.key_offset - first_key;
            if (at >= 0 && static_cast<std::size_t>(at) < chart.size())
                chart[static_cast<std::size_t>(at)] = as_double(bins[static_cast<std::size_t>(bin)]);
        }
    }
    return a;
}

}  // namespace pointsieve::qa::report
