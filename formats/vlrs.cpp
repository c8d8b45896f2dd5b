// Reading the variable-length records of a LAS file and the extended ones
// of LAS 1.4.
#include "vlrs.hpp"

#include <algorithm>

#include "file_seek.hpp"
#include "laz_endian.hpp"

namespace pointsieve::formats {

namespace {

constexpr std::size_t kVlrHeader = 54, kEvlrHeader = 60;
// Payloads kept are small (a WKT text, a few GeoTIFF keys, an extra bytes
// table); a larger one is skipped, not held.
constexpr std::uint64_t kMostKept = std::uint64_t{4} << 20;
// VLRs beyond this many are not walked: a header may claim four billion.
constexpr std::uint32_t kMostRecords = 65536;

std::string user_id_of(const unsigned char *p) {
    std::size_t n = 0;
    while (n < 16 && p[n] != 0) ++n;
    return std::string(reinterpret_cast<const char *>(p), n);
}

// Reads one record header at offset and, when wanted, its payload. False
// with the reason in r when the record does not lie whole before limit.
bool read_record(std::FILE *f, std::uint64_t offset, std::uint64_t limit, bool extended, VlrReading &r,
                 std::uint64_t &next) {
    const std::size_t header = extended ? kEvlrHeader : kVlrHeader;
    unsigned char b[kEvlrHeader];
    if (offset + header > limit || !seek_absolute(f, offset) || std::fread(b, 1, header, f) != header) {
        r.problem = extended ? "an extended variable-length record runs past the end of the file"
                             : "a variable-length record runs past the start of the points";
        return false;
    }
    Vlr v;
    v.user_id = user_id_of(b + 2);
    v.record_id = laz::load_le<std::uint16_t>(b + 18);
    v.extended = extended;
    v.length = extended ? laz::load_le<std::uint64_t>(b + 20) : laz::load_le<std::uint16_t>(b + 20);
    if (v.length > limit - offset - header) {
        r.problem = extended ? "an extended variable-length record runs past the end of the file"
                             : "a variable-length record runs past the start of the points";
        return false;
    }
    if (payload_wanted(v.user_id, v.record_id) && v.length <= kMostKept) {
        v.data.resize(static_cast<std::size_t>(v.length));
        if (std::fread(v.data.data(), 1, v.data.size(), f) != v.data.size()) {
            r.problem = "a variable-length record cannot be read";
            return false;
        }
    }
    next = offset + header + v.length;
    r.records.push_back(std::move(v));
    return true;
}

}  // namespace

bool payload_wanted(const std::string &user_id, std::uint16_t record_id) {
    if (user_id == "LASF_Projection")
        return record_id == 2111 || record_id == 2112 || (record_id >= 34735 && record_id <= 34737);
    if (user_id == "LASF_Spec") return record_id == 4;
    return user_id == "laszip encoded" && record_id == 22204;
}

VlrReading read_vlrs(std::FILE *f, const LasHeader &h, std::uint64_t file_size) {
    VlrReading r;
    const std::uint64_t points = std::min<std::uint64_t>(h.OffsetToPointData, file_size);
    std::uint64_t at = std::max<std::uint64_t>(h.HeaderSize, kHeaderBytes12);
    const std::uint32_t count = std::min(h.NumberOfVariableLengthRecords, kMostRecords);
    for (std::uint32_t k = 0; k < count && r.complete; ++k) r.complete = read_record(f, at, points, false, r, at);
    if (r.complete && h.VersionMinor >= 4 && h.NumberOfEVLRs > 0) {
        at = h.StartOfFirstEVLR;
        const std::uint32_t evlrs = std::min(h.NumberOfEVLRs, kMostRecords);
        for (std::uint32_t k = 0; k < evlrs && r.complete; ++k)
            r.complete = read_record(f, at, file_size, true, r, at);
    }
    return r;
}

}  // namespace pointsieve::formats
