// Reading one tile: its validation, the statistics the Pointsieve command
// would save for it, and the facts read from its points, in one pass.
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>

#include "accumulate.hpp"
#include "tile.hpp"
#include "file_util.hpp"
#include "las_format.hpp"
#include "stats_file.hpp"
#include "validation.hpp"

#if defined(_WIN32)
#include <sys/stat.h>
#include <sys/types.h>
#else
#include <sys/stat.h>
#endif

namespace pointsieve::qa {

using korvane::load_le;
using korvane::PointLayout;

const char *status_word(Status s) {
    switch (s) {
        case Status::Ok: return "ok";
        case Status::Truncated: return "truncated";
        case Status::Refused: return "refused";
        case Status::Compressed: return "compressed";
        case Status::Unreadable: return "unreadable";
    }
    return "";
}

const std::array<const char *, kFactColumns> kColumnNames{
    "tile", "status", "reason", "las_version", "point_format", "declared", "read", "stats",
    "x_min", "x_max", "y_min", "y_max", "z_min", "z_max", "outside_header_box", "header_returns",
    "return_number_0", "number_of_returns_0", "return_above_number", "pulses", "class_0", "class_1", "withheld",
    "gps_encoding", "gps_min", "gps_max", "area", "density", "footprint", "digest"};

void add_detailed_sums(const TileReader &reader, Accumulator &acc) {
    const Accumulator &s = reader.sums;
    if (!reader.detailed) return;
    for (std::size_t k = 0; k < 65536; ++k) acc.IntensityCount[k] += s.IntensityCount[k];
    for (std::size_t k = 0; k < 65536; ++k) acc.PointSourceIDCount[k] += s.PointSourceIDCount[k];
    for (std::size_t k = 0; k < 256; ++k) acc.ScanAngleRankCount[k] += s.ScanAngleRankCount[k];
    for (std::size_t k = 0; k < 256; ++k) acc.UserDataCount[k] += s.UserDataCount[k];
}

bool start_tile_reader(TileReader &reader, bool detailed, std::atomic<std::uint64_t> *bytes) {
    reader.detailed = detailed;
    reader.bytes = bytes;
    return !detailed ||
           (allocate_histograms(reader.acc) == Failure::None && allocate_histograms(reader.sums) == Failure::None);
}

namespace {

// Size and modification time of an open file: a tile whose stamp moves
// while it is read changed under the reader.
struct Stamp {
    long long size = -1, mtime_s = 0, mtime_ns = 0;
    bool operator==(const Stamp &) const = default;
};

Stamp stamp_of(std::FILE *f) {
    Stamp s;
#if defined(_WIN32)
    struct _stat64 st;
    if (_fstat64(_fileno(f), &st) == 0) s = {static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtime), 0};
#else
    struct stat st;
    if (fstat(fileno(f), &st) == 0) {
        s.size = static_cast<long long>(st.st_size);
        s.mtime_s = static_cast<long long>(st.st_mtim.tv_sec);
        s.mtime_ns = static_cast<long long>(st.st_mtim.tv_nsec);
    }
#endif
    return s;
}

// A digest of the points: each point's first sixteen bytes (X, Y, Z,
// intensity, return bits and classification) mixed by two multiplies, and
// the mixes summed, so that equal points give equal digests whatever their
// order, on every platform.
constexpr std::uint64_t kKeyA = 0xA0761D6478BD642Full, kKeyB = 0xE7037ED1A0B428DBull;
constexpr std::uint64_t kMulA = 0x9E3779B97F4A7C15ull, kMulB = 0xC2B2AE3D27D4EB4Full;

inline std::uint64_t rotl(std::uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }

inline std::uint64_t point_mix(std::uint64_t w0, std::uint64_t w1) {
    return ((w0 ^ kKeyA) * kMulA) ^ rotl((w1 ^ kKeyB) * kMulB, 32);
}

struct Digest {
    std::uint64_t sum = 0;
};

std::uint64_t digest_value(const Digest &d, std::uint64_t records) {
    std::uint64_t h = (d.sum ^ (records * kMulB)) * kMulA;
    h ^= h >> 32;
    h *= kMulB;
    return h ^ (h >> 29);
}

// The header's box in the integer units of the point records, widened by
// half a unit: a point is outside when its integer lies beyond it.
struct BoxTest {
    std::int64_t lo[3];
    std::uint64_t width[3];
    bool all_outside = false;
};

BoxTest box_test(const LAS12Header &h) {
    BoxTest t{};
    const double scale[3] = {h.XScaleFactor, h.YScaleFactor, h.ZScaleFactor};
    const double offset[3] = {h.XOffset, h.YOffset, h.ZOffset};
    const double min[3] = {h.MinX, h.MinY, h.MinZ}, max[3] = {h.MaxX, h.MaxY, h.MaxZ};
    constexpr double kFar = 1099511627776.0;  // 2^40: beyond any 32-bit integer
    for (int a = 0; a < 3; ++a) {
        const double lo = std::ceil((min[a] - offset[a]) / scale[a] - 0.5);
        const double hi = std::floor((max[a] - offset[a]) / scale[a] + 0.5);
        if (!(scale[a] > 0) || !(lo <= hi)) {  // NaN included
            t.all_outside = true;
            continue;
        }
        const auto lo_i = static_cast<std::int64_t>(std::clamp(lo, -kFar, kFar));
        const auto hi_i = static_cast<std::int64_t>(std::clamp(hi, -kFar, kFar));
        t.lo[a] = lo_i;
        t.width[a] = static_cast<std::uint64_t>(hi_i - lo_i);
    }
    return t;
}

struct PointScan {
    std::int32_t min[3] = {INT32_MAX, INT32_MAX, INT32_MAX};
    std::int32_t max[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
    std::uint64_t outside = 0;
};

// One pass over a block of records: what the Pointsieve command
// accumulates (fold_point), the points' own integer extents and the
// digest. The points outside the header's box are counted
// only in the rare tile whose extents leave it (count_outside).
// Four 32-bit lanes: X, Y and Z of a point (the fourth lane is not used).
typedef std::int32_t Lanes __attribute__((vector_size(16)));

template <class Rec, bool Detailed>
[[gnu::always_inline]] inline void read_points(const unsigned char *p, std::size_t n, Accumulator &acc,
                                               PointScan &s, Digest &d) {
    using L = PointLayout<Rec>;
    static_assert(L::x == 0 && L::y == 4 && L::z == 8 && L::classification == 15);
    double minGPS = acc.minGPSTime;
    double maxGPS = acc.maxGPSTime;
    std::uint64_t sum = d.sum;
    // The extents in vector lanes where the records' byte order is the
    // host's, in scalars elsewhere.
    constexpr bool kLanes = std::endian::native == std::endian::little;
    Lanes mn = {s.min[0], s.min[1], s.min[2], 0}, mx = {s.max[0], s.max[1], s.max[2], 0};
    std::int32_t mnx = s.min[0], mny = s.min[1], mnz = s.min[2];
    std::int32_t mxx = s.max[0], mxy = s.max[1], mxz = s.max[2];
    for (std::size_t k = 0; k < n; ++k, p += L::size) {
        const std::uint64_t w0 = load_le<std::uint64_t>(p), w1 = load_le<std::uint64_t>(p + 8);
        sum += point_mix(w0, w1);
        if constexpr (kLanes) {
            Lanes v;
            std::memcpy(&v, p, sizeof v);
            mn = v < mn ? v : mn;
            mx = v > mx ? v : mx;
        } else {
            const auto x = static_cast<std::int32_t>(static_cast<std::uint32_t>(w0));
            const auto y = static_cast<std::int32_t>(static_cast<std::uint32_t>(w0 >> 32));
            const auto z = static_cast<std::int32_t>(static_cast<std::uint32_t>(w1));
            mnx = std::min(mnx, x), mxx = std::max(mxx, x);
            mny = std::min(mny, y), mxy = std::max(mxy, y);
            mnz = std::min(mnz, z), mxz = std::max(mxz, z);
        }
        fold_point<Rec, Detailed>(p, acc, minGPS, maxGPS);
    }
    if constexpr (kLanes) {
        mnx = mn[0], mny = mn[1], mnz = mn[2];
        mxx = mx[0], mxy = mx[1], mxz = mx[2];
    }
    acc.minGPSTime = minGPS;
    acc.maxGPSTime = maxGPS;
    acc.ReturnCount += n;
    s.min[0] = mnx, s.min[1] = mny, s.min[2] = mnz;
    s.max[0] = mxx, s.max[1] = mxy, s.max[2] = mxz;
    d.sum = sum;
}

template <class Rec, bool Detailed>
void read_points_generic(const unsigned char *p, std::size_t n, Accumulator &acc, PointScan &s, Digest &d) {
    read_points<Rec, Detailed>(p, n, acc, s, d);
}

// On x86-64 the same loop compiled for SSE4.1 too, whose 32-bit minimum
// and maximum take one instruction each where SSE2 takes four; chosen at
// run time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SSE4_1__)
#define POINTSIEVE_QA_SSE41 1
template <class Rec, bool Detailed>
[[gnu::target("sse4.1")]] void read_points_sse41(const unsigned char *p, std::size_t n, Accumulator &acc,
                                                 PointScan &s, Digest &d) {
    read_points<Rec, Detailed>(p, n, acc, s, d);
}
#endif

void read_block(int16_t type, bool detailed, const unsigned char *p, std::size_t n, Accumulator &acc,
                PointScan &s, Digest &d) {
#if defined(POINTSIEVE_QA_SSE41)
    static const bool sse41 = __builtin_cpu_supports("sse4.1");
#endif
    korvane::with_record_type(type, [&](auto rec) {
        using Rec = decltype(rec);
#if defined(POINTSIEVE_QA_SSE41)
        if (sse41) {
            if (detailed)
                read_points_sse41<Rec, true>(p, n, acc, s, d);
            else
                read_points_sse41<Rec, false>(p, n, acc, s, d);
            return;
        }
#endif
        if (detailed)
            read_points_generic<Rec, true>(p, n, acc, s, d);
        else
            read_points_generic<Rec, false>(p, n, acc, s, d);
    });
}

// The points of a block outside the header's box: integer compares, no
// branches.
template <class Rec>
std::uint64_t outside_points(const unsigned char *p, std::size_t n, const BoxTest &t) {
    using L = PointLayout<Rec>;
    std::uint64_t out = 0;
    for (std::size_t k = 0; k < n; ++k, p += L::size) {
        const std::int64_t x = load_le<std::int32_t>(p + L::x), y = load_le<std::int32_t>(p + L::y),
                           z = load_le<std::int32_t>(p + L::z);
        out += static_cast<std::uint64_t>((static_cast<std::uint64_t>(x - t.lo[0]) > t.width[0]) |
                                          (static_cast<std::uint64_t>(y - t.lo[1]) > t.width[1]) |
                                          (static_cast<std::uint64_t>(z - t.lo[2]) > t.width[2]));
    }
    return out;
}

// Whether every point lies in the header's box, as the points' extents tell.
bool extents_inside(const PointScan &s, const BoxTest &t) {
    for (int a = 0; a < 3; ++a) {
        if (static_cast<std::uint64_t>(s.min[a] - t.lo[a]) > t.width[a]) return false;
        if (static_cast<std::uint64_t>(s.max[a] - t.lo[a]) > t.width[a]) return false;
    }
    return true;
}

// A second reading of the first records of f, for a tile whose points leave
// the header's box. False when the file no longer holds them.
bool count_outside(std::FILE *f, const LAS12Header &h, int16_t type, std::uint64_t records, const BoxTest &t,
                   std::vector<unsigned char> &block, std::size_t block_records, std::uint64_t &outside) {
    const std::size_t rec = korvane::las_type_info(type)->record_size;
    if (!korvane::seek_to(f, h.OffsetToData)) return false;
    outside = 0;
    std::uint64_t seen = 0;
    while (seen < records) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(records - seen, block_records));
        const std::size_t n = std::fread(block.data(), rec, want, f);
        korvane::with_record_type(type, [&](auto r) { outside += outside_points<decltype(r)>(block.data(), n, t); });
        seen += n;
        if (n < want) return false;
    }
    return true;
}

void reset(Accumulator &acc) {
    std::vector<std::uint64_t> intensity, source;
    intensity.swap(acc.IntensityCount);
    source.swap(acc.PointSourceIDCount);
    acc = Accumulator{};
    std::fill(intensity.begin(), intensity.end(), 0);
    std::fill(source.begin(), source.end(), 0);
    acc.IntensityCount.swap(intensity);
    acc.PointSourceIDCount.swap(source);
}

std::string printed(const char *format, double v) {
    char text[400];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

std::string count_text(std::uint64_t n) { return std::to_string(n); }

// Decimals that show every digit a coordinate of this scale and offset holds.
int decimals_for(double scale, double offset) {
    int best = 0;
    for (const double v : {scale, offset}) {
        if (!std::isfinite(v)) continue;
        int d = 0;
        for (double p = 1; d < 12; ++d, p *= 10) {
            const double x = std::fabs(v) * p;
            if (std::fabs(x - std::nearbyint(x)) <= 1e-9 * std::max(1.0, x)) break;
        }
        best = std::max(best, d);
    }
    return best;
}

std::string coordinate_text(double offset, double scale, std::int32_t v, int decimals) {
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, offset + scale * static_cast<double>(v));
    return text;
}

void set_header_fields(const LAS12Header &h, FactFields &f, bool compressed) {
    const char version[] = {static_cast<char>(korvane::digit_character(h.VersionMajor)), '.',
                            static_cast<char>(korvane::digit_character(h.VersionMinor)), '\0'};
    f[ColVersion] = version;
    f[ColFormat] = std::to_string(compressed ? (h.PointDataFormatID & 0x3F) : h.PointDataFormatID);
}

// The reason of a refused header, in the words check_las prints it with.
std::string refusal(const korvane::HeaderClass &c) {
    const LAS12Header &h = c.header;
    char text[200];
    const int major = korvane::digit_character(h.VersionMajor), minor = korvane::digit_character(h.VersionMinor);
    const int format = korvane::digit_character(h.PointDataFormatID);
    switch (c.verdict) {
        case korvane::HeaderVerdict::BadMajor:
            std::snprintf(text, sizeof text, "Cannot handle las files of version %c.x", major);
            break;
        case korvane::HeaderVerdict::BadMinor:
            std::snprintf(text, sizeof text, "Cannot handle las files of version %c.%c", major, minor);
            break;
        case korvane::HeaderVerdict::BadFormat:
            std::snprintf(text, sizeof text, "PointDataFormatID is %c. Only 0, 1, 2, or 3 is accepted", format);
            break;
        case korvane::HeaderVerdict::BadLength:
            std::snprintf(text, sizeof text, "Data format (%c) is incompatible with Length of Data Record (%d)",
                          format, static_cast<int>(h.PointDataRecordLength));
            break;
        case korvane::HeaderVerdict::UnhandledPair:
            std::snprintf(text, sizeof text, "Cannot handle point data format %c in las files of version %c.%c",
                          format, major, minor);
            break;
        default: return "not a valid .las file";
    }
    return text;
}

void set_unreadable(FactFields &f, const char *reason) {
    f[ColStatus] = status_word(Status::Unreadable);
    f[ColReason] = reason;
}

// The facts of a read tile, from its accumulator and the point scan.
void set_point_fields(const TileReader &r, const LAS12Header &h, int16_t type, std::uint64_t records,
                      bool truncated, const PointScan &s, const Digest &d, FactFields &f) {
    const Accumulator &acc = r.acc;
    std::uint64_t rn0 = 0, nr0 = 0, above = 0, pulses = 0, by_return[8] = {};
    for (unsigned b = 0; b < 256; ++b) {
        const std::uint64_t n = acc.BitfieldCount[b];
        const unsigned rn = b & 7u, nr = (b >> 3) & 7u;
        rn0 += rn == 0 ? n : 0;
        nr0 += nr == 0 ? n : 0;
        above += rn > nr ? n : 0;
        pulses += rn == 1 ? n : 0;
        by_return[rn] += n;
    }
    std::uint64_t class0 = 0, class1 = 0, withheld = 0;
    for (unsigned b = 0; b < 256; ++b) {
        const std::uint64_t n = acc.ClassificationCount[b];
        class0 += (b & 31u) == 0 ? n : 0;
        class1 += (b & 31u) == 1 ? n : 0;
        withheld += (b & 128u) != 0 ? n : 0;
    }
    bool returns_equal = true;
    for (int k = 0; k < 5; ++k) returns_equal = returns_equal && by_return[k + 1] == h.NumberOfPointsByReturn[k];
    f[ColOutside] = count_text(s.outside);
    f[ColHeaderReturns] = truncated ? "" : (returns_equal ? "equal" : "differ");
    f[ColReturnNumber0] = count_text(rn0);
    f[ColNumberOfReturns0] = count_text(nr0);
    f[ColReturnAbove] = count_text(above);
    f[ColPulses] = count_text(pulses);
    f[ColClass0] = count_text(class0);
    f[ColClass1] = count_text(class1);
    f[ColWithheld] = count_text(withheld);
    const bool gps = korvane::type_has_gps_time(type);
    if (gps) f[ColGpsEncoding] = h.VersionMinor >= 2 && (h.GlobalEncoding & 1u) ? "standard" : "week";
    if (records == 0) return;
    if (gps && acc.minGPSTime <= largest_gps_time(acc)) {
        f[ColGpsMin] = printed("%.6f", acc.minGPSTime);
        f[ColGpsMax] = printed("%.6f", largest_gps_time(acc));
    }
    const int dx = decimals_for(h.XScaleFactor, h.XOffset), dy = decimals_for(h.YScaleFactor, h.YOffset);
    const int dz = decimals_for(h.ZScaleFactor, h.ZOffset);
    f[ColXMin] = coordinate_text(h.XOffset, h.XScaleFactor, s.min[0], dx);
    f[ColXMax] = coordinate_text(h.XOffset, h.XScaleFactor, s.max[0], dx);
    f[ColYMin] = coordinate_text(h.YOffset, h.YScaleFactor, s.min[1], dy);
    f[ColYMax] = coordinate_text(h.YOffset, h.YScaleFactor, s.max[1], dy);
    f[ColZMin] = coordinate_text(h.ZOffset, h.ZScaleFactor, s.min[2], dz);
    f[ColZMax] = coordinate_text(h.ZOffset, h.ZScaleFactor, s.max[2], dz);
    const double width = std::strtod(f[ColXMax].c_str(), nullptr) - std::strtod(f[ColXMin].c_str(), nullptr);
    const double height = std::strtod(f[ColYMax].c_str(), nullptr) - std::strtod(f[ColYMin].c_str(), nullptr);
    const double area = width * height;
    f[ColArea] = printed("%.9g", area);
    if (area > 0) f[ColDensity] = printed("%.6g", static_cast<double>(records) / area);
    f[ColFootprint] = "POLYGON((" + f[ColXMin] + " " + f[ColYMin] + "," + f[ColXMax] + " " + f[ColYMin] + "," +
                      f[ColXMax] + " " + f[ColYMax] + "," + f[ColXMin] + " " + f[ColYMax] + "," + f[ColXMin] +
                      " " + f[ColYMin] + "))";
    char digest[17];
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(digest_value(d, records)));
    f[ColDigest] = digest;
}

// Writes the tile's statistics file as Pointsieve TILE -s [-d] writes it.
bool write_tile_stats(const std::string &path, const TileReader &r, int16_t type, int &error) {
    korvane::FilePtr out = korvane::open_file(path.c_str(), "w");
    if (!out) {
        error = errno;
        return false;
    }
    const RunDescription run{false, 1, std::string(), type, LAS12Header{}, r.detailed, 0};
    write_stats(out.get(), run, r.acc);
    std::FILE *f = out.release();
    const bool ok = std::fflush(f) == 0 && !std::ferror(f);
    error = errno;
    const bool closed = std::fclose(f) == 0;
    if (ok && !closed) error = errno;
    return ok && closed;
}

}  // namespace

void read_tile(TileReader &r, const TileInput &tile, const std::string &outdir, TileOutcome &out) {
    FactFields &f = out.fields;
    for (std::string &field : f) field.clear();
    f[ColTile] = tile.name;
    korvane::OpenOutcome opened;
    errno = 0;
    const korvane::FilePtr file = korvane::open_regular_file(tile.name.c_str(), opened);
    if (!file) {
        if (opened == korvane::OpenOutcome::NotRegular) {
            f[ColStatus] = status_word(tile.laz ? Status::Compressed : Status::Refused);
            f[ColReason] = tile.laz ? "compressed (LAZ) point data is not read" : "not a valid .las file";
        } else {
            set_unreadable(f, std::strerror(errno != 0 ? errno : EIO));
        }
        return;
    }
    const Stamp before = stamp_of(file.get());
    unsigned char bytes[korvane::kHeaderBytes];
    const std::size_t got = std::fread(bytes, 1, sizeof bytes, file.get());
    if (got < sizeof bytes && std::ferror(file.get())) {
        set_unreadable(f, std::strerror(errno != 0 ? errno : EIO));
        return;
    }
    if (r.bytes) r.bytes->fetch_add(got, std::memory_order_relaxed);
    const korvane::HeaderClass c = korvane::classify_header(bytes, got);
    const bool las = c.verdict != korvane::HeaderVerdict::NotLas;
    if (tile.laz || (las && (c.header.PointDataFormatID & 0x80) != 0)) {
        f[ColStatus] = status_word(Status::Compressed);
        f[ColReason] = "compressed (LAZ) point data is not read";
        if (las) set_header_fields(c.header, f, true);
        return;
    }
    if (las) set_header_fields(c.header, f, false);
    if (c.verdict != korvane::HeaderVerdict::Usable) {
        f[ColStatus] = status_word(Status::Refused);
        f[ColReason] = refusal(c);
        if (!las && got == 0) f[ColReason] += " (empty file)";
        return;
    }
    const LAS12Header &h = c.header;
    const int16_t type = c.type;
    const std::uint64_t declared = h.NumberOfPointReturns;
    f[ColDeclared] = count_text(declared);

    reset(r.acc);
    fold_extents(h, r.acc);
    const std::size_t rec = korvane::las_type_info(type)->record_size;
    const std::size_t block_records = korvane::block_bytes_for(rec) / rec;
    if (r.block.size() < block_records * rec) r.block.resize(block_records * rec);
    const BoxTest box = box_test(h);
    PointScan scan;
    Digest digest;
    std::uint64_t records = 0;
    if (declared > 0 && !korvane::seek_to(file.get(), h.OffsetToData)) {
        set_unreadable(f, std::strerror(errno != 0 ? errno : EIO));
        return;
    }
    while (records < declared) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(declared - records, block_records));
        const std::size_t n = std::fread(r.block.data(), rec, want, file.get());
        read_block(type, r.detailed, r.block.data(), n, r.acc, scan, digest);
        records += n;
        if (r.bytes) r.bytes->fetch_add(n * rec, std::memory_order_relaxed);
        if (n < want) {
            if (std::ferror(file.get())) {
                set_unreadable(f, std::strerror(errno != 0 ? errno : EIO));
                return;
            }
            break;
        }
    }
    if (box.all_outside) {
        scan.outside = records;
    } else if (records > 0 && !extents_inside(scan, box) &&
               !count_outside(file.get(), h, type, records, box, r.block, block_records, scan.outside)) {
        set_unreadable(f, "the file changed while it was read");
        return;
    }
    if (!(stamp_of(file.get()) == before)) {
        set_unreadable(f, "the file changed while it was read");
        return;
    }
    const bool truncated = records < declared;
    f[ColStatus] = status_word(truncated ? Status::Truncated : Status::Ok);
    if (truncated) f[ColReason] = count_text(records) + " of " + count_text(declared) + " records";
    f[ColRead] = count_text(records);
    f[ColStats] = tile.stats;
    set_point_fields(r, h, type, records, truncated, scan, digest, f);
    int error = 0;
    if (!write_tile_stats(outdir + "/" + tile.stats, r, type, error)) {
        out.write_failed = true;
        out.write_errno = error;
    }
    // What the merge would read back from the statistics file: its texts,
    // and the bins its lines hold (the return tables from 1 on).
    InputFigures &in = out.figures;
    in.values = scalar_texts(r.acc, korvane::type_has_gps_time(type));
    in.values[TotalPoints] = scalar_text(TotalPoints, as_double(r.acc.ReturnCount));
    in.total = r.acc.ReturnCount;
    in.returns = return_tables(r.acc);
    in.returns.by_return_number[0] = in.returns.by_number_of_returns[0] = 0;
    in.classes = r.acc.ClassificationCount;
    in.detailed = r.detailed && r.acc.ReturnCount > 0;
    if (r.detailed) {
        Accumulator &s = r.sums;
        for (std::size_t k = 0; k < 65536; ++k) s.IntensityCount[k] += r.acc.IntensityCount[k];
        for (std::size_t k = 0; k < 65536; ++k) s.PointSourceIDCount[k] += r.acc.PointSourceIDCount[k];
        for (std::size_t k = 0; k < 256; ++k) s.ScanAngleRankCount[k] += r.acc.ScanAngleRankCount[k];
        for (std::size_t k = 0; k < 256; ++k) s.UserDataCount[k] += r.acc.UserDataCount[k];
    }
}

}  // namespace pointsieve::qa
