#include "accumulate.hpp"

#include <algorithm>
#include <cstdio>

#include "las_io.hpp"

namespace pointsieve {

using korvane::load_le;
using korvane::PointLayout;

std::array<std::uint64_t, 10> return_number_counts(const Accumulator &acc) {
    std::array<std::uint64_t, 10> bins{};
    for (unsigned b = 0; b < 256; ++b) bins[b & 7u] += acc.BitfieldCount[b];
    return bins;
}

std::array<std::uint64_t, 10> number_of_returns_counts(const Accumulator &acc) {
    std::array<std::uint64_t, 10> bins{};
    for (unsigned b = 0; b < 256; ++b) bins[(b >> 3) & 7u] += acc.BitfieldCount[b];
    return bins;
}

namespace {

// The inner loop, instantiated once per record layout and per report depth,
// so that no record pays for a branch on either.
template <class Rec, bool Detailed>
void accumulate_layout(const unsigned char *p, std::size_t n, Accumulator &acc) {
    using L = PointLayout<Rec>;
    double minGPS = acc.minGPSTime;
    double maxGPS = acc.maxGPSTime;
    for (std::size_t k = 0; k < n; ++k, p += L::size) {
        if constexpr (L::has_gps_time) {
            const double t = load_le<double>(p + korvane::gps_time_offset<Rec>());
            // Strict comparisons: a NaN time never replaces an extreme.
            if (t > maxGPS) maxGPS = t;
            if (t < minGPS) minGPS = t;
        }
        ++acc.BitfieldCount[p[L::bitfield]];
        ++acc.ClassificationCount[p[L::classification]];
        if constexpr (Detailed) {
            ++acc.IntensityCount[load_le<std::uint16_t>(p + L::intensity)];
            ++acc.ScanAngleRankCount[p[L::scan_angle_rank]];
            ++acc.UserDataCount[p[L::user_data]];
            ++acc.PointSourceIDCount[load_le<std::uint16_t>(p + L::point_source_id)];
        }
    }
    acc.minGPSTime = minGPS;
    acc.maxGPSTime = maxGPS;
    acc.ReturnCount += n;
}

void fold_extents(const LAS12Header &h, Accumulator &acc) {
    if (h.MaxX > acc.maxX) acc.maxX = h.MaxX;
    if (h.MinX < acc.minX) acc.minX = h.MinX;
    if (h.MaxY > acc.maxY) acc.maxY = h.MaxY;
    if (h.MinY < acc.minY) acc.minY = h.MinY;
    if (h.MaxZ > acc.maxZ) acc.maxZ = h.MaxZ;
    if (h.MinZ < acc.minZ) acc.minZ = h.MinZ;
}

}  // namespace

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

FileOutcome accumulate_file(const std::string &name, int16_t LASType, bool detailed, const FileProgress &progress,
                            Accumulator &acc, LAS12Header &ph, std::vector<unsigned char> &block) {
    const std::size_t record_size = korvane::record_size_for_type(LASType);
    if (record_size == 0) return FileOutcome::UnknownType;

    korvane::FilePtr f = korvane::open_file(name.c_str(), "rb");
    if (!f) return FileOutcome::CannotOpen;

    std::printf("\rProcessing file %s (%d / %d)%20s", name.c_str(), progress.index, progress.count, " ");
    std::fflush(stdout);

    unsigned char header_bytes[korvane::kHeaderBytes];
    const long long file_size = korvane::stream_size(f.get());
    if (std::fread(header_bytes, 1, sizeof header_bytes, f.get()) != sizeof header_bytes)
        return FileOutcome::CannotReadHeader;
    ph = korvane::decode_header(header_bytes);
    fold_extents(ph, acc);

    // Whole records between the first point record and the end of the file.
    const unsigned long long offset = ph.OffsetToData;
    const unsigned long long size = file_size < 0 ? 0ULL : static_cast<unsigned long long>(file_size);
    const unsigned long long present = size > offset ? (size - offset) / record_size : 0ULL;
    const unsigned long long declared = ph.NumberOfPointReturns;
    unsigned long long remaining = std::min(present, declared);
    if (present < declared) {
        std::printf("\nWarning: %s holds %u of the %u point records declared in its header\n", name.c_str(),
                    static_cast<unsigned>(present), static_cast<unsigned>(declared));
        std::fflush(stdout);
    }
    if (remaining == 0 || !korvane::seek_to(f.get(), offset)) return FileOutcome::Ok;

    const std::size_t block_records = korvane::block_bytes_for(record_size) / record_size;
    if (block.size() < block_records * record_size) block.resize(block_records * record_size);
    while (remaining > 0) {
        const std::size_t want = static_cast<std::size_t>(std::min<unsigned long long>(remaining, block_records));
        const std::size_t got = std::fread(block.data(), record_size, want, f.get());
        accumulate_records(LASType, detailed, block.data(), got, acc);
        if (got < want) break;  // the file shrank while being read
        remaining -= got;
    }
    return FileOutcome::Ok;
}

}  // namespace pointsieve
