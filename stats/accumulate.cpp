#include "accumulate.hpp"

#include <algorithm>
#include <cstdio>
#include <new>

#include "file_util.hpp"
#include "las_format.hpp"
#include "validation.hpp"

namespace pointsieve {

using korvane::load_le;
using korvane::PointLayout;

Failure allocate_histograms(Accumulator &acc) noexcept {
    try {
        acc.IntensityCount.assign(65536, 0);
    } catch (const std::bad_alloc &) {
        return Failure::IntensityHistogram;
    }
    try {
        acc.PointSourceIDCount.assign(65536, 0);
    } catch (const std::bad_alloc &) {
        return Failure::PointSourceHistogram;
    }
    return Failure::None;
}

std::array<std::uint64_t, kReturnBins> return_number_counts(const Accumulator &acc) {
    std::array<std::uint64_t, kReturnBins> bins{};
    for (unsigned b = 0; b < 256; ++b) bins[b & 7u] += acc.BitfieldCount[b];
    return bins;
}

std::array<std::uint64_t, kReturnBins> number_of_returns_counts(const Accumulator &acc) {
    std::array<std::uint64_t, kReturnBins> bins{};
    for (unsigned b = 0; b < 256; ++b) bins[(b >> 3) & 7u] += acc.BitfieldCount[b];
    return bins;
}

namespace {

// The inner loop, instantiated once per record layout and per report depth,
// so that no record pays for a branch on either.
template <class Rec, bool Detailed>
void accumulate_layout(const unsigned char *p, std::size_t n, Accumulator &acc) {
    double minGPS = acc.minGPSTime;
    double maxGPS = acc.maxGPSTime;
    for (std::size_t k = 0; k < n; ++k, p += sizeof(Rec)) fold_point<Rec, Detailed>(p, acc, minGPS, maxGPS);
    acc.minGPSTime = minGPS;
    acc.maxGPSTime = maxGPS;
    acc.ReturnCount += n;
}

}  // namespace

void add_detailed_histograms(const Accumulator &from, Accumulator &to) {
    for (std::size_t k = 0; k < to.IntensityCount.size(); ++k) to.IntensityCount[k] += from.IntensityCount[k];
    for (std::size_t k = 0; k < to.PointSourceIDCount.size(); ++k) to.PointSourceIDCount[k] += from.PointSourceIDCount[k];
    for (std::size_t k = 0; k < to.ScanAngleRankCount.size(); ++k) to.ScanAngleRankCount[k] += from.ScanAngleRankCount[k];
    for (std::size_t k = 0; k < to.UserDataCount.size(); ++k) to.UserDataCount[k] += from.UserDataCount[k];
}

void fold_extents(const LAS12Header &h, Accumulator &acc) {
    if (h.MaxX > acc.maxX) acc.maxX = h.MaxX;
    if (h.MinX < acc.minX) acc.minX = h.MinX;
    if (h.MaxY > acc.maxY) acc.maxY = h.MaxY;
    if (h.MinY < acc.minY) acc.minY = h.MinY;
    if (h.MaxZ > acc.maxZ) acc.maxZ = h.MaxZ;
    if (h.MinZ < acc.minZ) acc.minZ = h.MinZ;
}

void accumulate_records(int16_t LASType, bool detailed, const unsigned char *records, std::size_t n,
                        Accumulator &acc) {
    korvane::with_record_type(LASType, [&](auto rec) {
        using Rec = decltype(rec);
        if (detailed)
            accumulate_layout<Rec, true>(records, n, acc);
        else
            accumulate_layout<Rec, false>(records, n, acc);
    });
}

FileReading accumulate_file(std::FILE *f, int16_t LASType, bool detailed, Accumulator &acc, LAS12Header &ph,
                            std::vector<unsigned char> &block) {
    FileReading r{Failure::None, 0, 0};
    unsigned char header_bytes[korvane::kHeaderBytes];
    if (std::fread(header_bytes, 1, sizeof header_bytes, f) != sizeof header_bytes) {
        r.failure = Failure::HeaderUnreadable;
        return r;
    }
    // The file must still be what validation saw: the same version, point
    // format and record length, or its records would be misread.
    const korvane::HeaderClass c = korvane::classify_header(header_bytes, sizeof header_bytes);
    ph = c.header;
    const korvane::LasTypeInfo *info = korvane::las_type_info(LASType);
    if (!info || c.type != LASType) {
        r.failure = Failure::InputChanged;
        return r;
    }
    fold_extents(ph, acc);
    r.records_declared = ph.NumberOfPointReturns;
    if (r.records_declared == 0) return r;

    const std::size_t record_size = info->record_size;
    const std::size_t block_records = korvane::block_bytes_for(record_size) / record_size;
    try {
        if (block.size() < block_records * record_size) block.resize(block_records * record_size);
    } catch (const std::bad_alloc &) {
        r.failure = Failure::FileMemory;
        return r;
    }
    if (!korvane::seek_to(f, ph.OffsetToData)) {
        r.failure = Failure::PointsUnreadable;
        return r;
    }
    // Read to the declared count or to the end of the file, whichever comes
    // first; a final fragment shorter than a record is not counted.
    while (r.records_read < r.records_declared) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(r.records_declared - r.records_read, block_records));
        const std::size_t got = std::fread(block.data(), record_size, want, f);
        accumulate_records(LASType, detailed, block.data(), got, acc);
        r.records_read += got;
        if (got < want) {
            if (std::ferror(f)) r.failure = Failure::PointsUnreadable;
            break;
        }
    }
    return r;
}

}  // namespace pointsieve
