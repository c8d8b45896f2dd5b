// Decoding the public header block of LAS 1.0 to 1.4.
#include "las_header.hpp"

#include <cmath>
#include <cstring>

#include "laz_endian.hpp"

namespace pointsieve::formats {

namespace {

// The header bytes each version defines.
std::size_t defined_bytes(unsigned minor) {
    return minor >= 4 ? kHeaderBytes14 : minor == 3 ? kHeaderBytes13 : kHeaderBytes12;
}

void decode(const unsigned char *b, std::size_t n, LasHeader &h) {
    h.FileSourceID = laz::load_le<std::uint16_t>(b + 4);
    h.GlobalEncoding = laz::load_le<std::uint16_t>(b + 6);
    h.VersionMajor = b[24];
    h.VersionMinor = b[25];
    h.HeaderSize = laz::load_le<std::uint16_t>(b + 94);
    h.OffsetToPointData = laz::load_le<std::uint32_t>(b + 96);
    h.NumberOfVariableLengthRecords = laz::load_le<std::uint32_t>(b + 100);
    h.PointDataFormatID = b[104];
    h.PointDataRecordLength = laz::load_le<std::uint16_t>(b + 105);
    h.LegacyNumberOfPoints = laz::load_le<std::uint32_t>(b + 107);
    for (std::size_t k = 0; k < 5; ++k) h.LegacyNumberOfPointsByReturn[k] = laz::load_le<std::uint32_t>(b + 111 + 4 * k);
    double *const doubles[12] = {&h.XScaleFactor, &h.YScaleFactor, &h.ZScaleFactor, &h.XOffset, &h.YOffset,
                                 &h.ZOffset,      &h.MaxX,         &h.MinX,         &h.MaxY,    &h.MinY,
                                 &h.MaxZ,         &h.MinZ};
    for (std::size_t k = 0; k < 12; ++k) *doubles[k] = laz::load_le<double>(b + 131 + 8 * k);
    // The fields of later versions, where the header holds them.
    const std::size_t size = h.HeaderSize;
    if (h.VersionMinor >= 3 && size >= kHeaderBytes13 && n >= kHeaderBytes13)
        h.StartOfWaveformData = laz::load_le<std::uint64_t>(b + 227);
    if (h.VersionMinor >= 4 && size >= kHeaderBytes14 && n >= kHeaderBytes14) {
        h.StartOfFirstEVLR = laz::load_le<std::uint64_t>(b + 235);
        h.NumberOfEVLRs = laz::load_le<std::uint32_t>(b + 243);
        h.NumberOfPointRecords = laz::load_le<std::uint64_t>(b + 247);
        for (std::size_t k = 0; k < 15; ++k) h.NumberOfPointsByReturn[k] = laz::load_le<std::uint64_t>(b + 255 + 8 * k);
    }
}

// A scale factor must be a positive number, an offset a number, and the
// coordinates their 32-bit integers give must stay within reach.
void check_scales(HeaderReading &r) {
    const LasHeader &h = r.header;
    const double scale[3] = {h.XScaleFactor, h.YScaleFactor, h.ZScaleFactor};
    const double offset[3] = {h.XOffset, h.YOffset, h.ZOffset};
    for (int a = 0; a < 3; ++a) {
        const double reach = std::fabs(offset[a]) + scale[a] * 2147483648.0;
        if (!(scale[a] > 0) || !std::isfinite(scale[a]) || !std::isfinite(offset[a]) ||
            !(reach <= kFarthestCoordinate)) {
            r.problem = HeaderProblem::BadScale;
            r.bad_axis = a;
            return;
        }
    }
}

}  // namespace

HeaderReading read_las_header(const unsigned char *bytes, std::size_t n) {
    HeaderReading r;
    if (n < kHeaderBytes12 || std::memcmp(bytes, "LASF", 4) != 0) return r;
    LasHeader &h = r.header;
    decode(bytes, n, h);
    r.compressed = (h.PointDataFormatID & 0xC0) != 0;
    r.format = h.PointDataFormatID & 0x3Fu;
    if (h.VersionMajor != 1) {
        r.problem = HeaderProblem::BadMajor;
    } else if (h.VersionMinor > 4) {
        r.problem = HeaderProblem::BadMinor;
    } else if (r.format > kLastFormat) {
        r.problem = HeaderProblem::BadFormat;
    } else if (first_minor_of(r.format) > h.VersionMinor) {
        r.problem = HeaderProblem::UnhandledPair;
    } else if (h.PointDataRecordLength < kPointFormats[r.format].size) {
        r.problem = HeaderProblem::BadLength;
    } else if (h.VersionMinor >= 3 && h.HeaderSize < defined_bytes(h.VersionMinor)) {
        // LAS 1.0 to 1.2 readers never looked at the header size: only the
        // later versions' fields depend on it.
        r.problem = HeaderProblem::ShortHeader;
    } else if (n < defined_bytes(h.VersionMinor)) {
        r.problem = HeaderProblem::CutHeader;
    } else if (h.OffsetToPointData < defined_bytes(h.VersionMinor)) {
        r.problem = HeaderProblem::BadOffset;
    } else {
        r.problem = HeaderProblem::None;
        check_scales(r);
    }
    return r;
}

std::uint64_t declared_records(const LasHeader &h) {
    if (h.VersionMinor >= 4 && h.NumberOfPointRecords != 0) return h.NumberOfPointRecords;
    return h.LegacyNumberOfPoints;
}

std::array<std::uint64_t, 15> declared_by_return(const LasHeader &h) {
    std::array<std::uint64_t, 15> counts{};
    bool extended = false;
    if (h.VersionMinor >= 4)
        for (const std::uint64_t c : h.NumberOfPointsByReturn) extended = extended || c != 0;
    if (extended || (h.VersionMinor >= 4 && h.NumberOfPointRecords != 0)) return h.NumberOfPointsByReturn;
    for (std::size_t k = 0; k < 5; ++k) counts[k] = h.LegacyNumberOfPointsByReturn[k];
    return counts;
}

unsigned stale_legacy_counts(const LasHeader &h) {
    if (h.VersionMinor < 4) return 0;
    const auto stale = [](std::uint32_t legacy, std::uint64_t full) { return legacy != 0 && legacy != full; };
    unsigned n = stale(h.LegacyNumberOfPoints, h.NumberOfPointRecords) ? 1u : 0u;
    for (std::size_t k = 0; k < 5; ++k)
        n += stale(h.LegacyNumberOfPointsByReturn[k], h.NumberOfPointsByReturn[k]) ? 1u : 0u;
    return n;
}

std::string version_text(const LasHeader &h) {
    return std::to_string(h.VersionMajor) + "." + std::to_string(h.VersionMinor);
}

}  // namespace pointsieve::formats
