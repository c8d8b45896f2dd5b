// Reading one tile: its validation, the statistics the Pointsieve command
// would save for it, and the facts read from its points, in one pass.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>

#include "accumulate.hpp"
#include "audit.hpp"
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

struct TileReader {
    bool detailed = false;
    Accumulator acc;
    std::vector<unsigned char> block;
};

void TileReaderDeleter::operator()(TileReader *r) const noexcept { delete r; }

TileReader *new_tile_reader(bool detailed) {
    auto *r = new (std::nothrow) TileReader;
    if (!r) return nullptr;
    r->detailed = detailed;
    if (detailed && allocate_histograms(r->acc) != Failure::None) {
        delete r;
        return nullptr;
    }
    return r;
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

// A digest of the point records as one stream of 64-bit words in four
// multiply-rotate lanes: equal records give equal digests, and it costs far
// less than the reading it rides on.
struct Digest {
    std::uint64_t lane[4] = {0x9E3779B97F4A7C15ull, 0xC2B2AE3D27D4EB4Full, 0x165667B19E3779F9ull,
                             0x85EBCA77C2B2AE63ull};
    std::uint64_t bytes = 0;
};

constexpr std::uint64_t kMul = 0x9FB21C651E98DF25ull;

inline std::uint64_t rotl(std::uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }

inline std::uint64_t fmix(std::uint64_t h) {
    h ^= h >> 33;
    h *= 0xFF51AFD7ED558CCDull;
    h ^= h >> 33;
    h *= 0xC4CEB9FE1A85EC53ull;
    h ^= h >> 33;
    return h;
}

// Every block but the last holds a multiple of 32 bytes, so the lanes see
// the same words whatever the blocks are.
void digest_block(Digest &d, const unsigned char *p, std::size_t n) {
    std::uint64_t a = d.lane[0], b = d.lane[1], c = d.lane[2], e = d.lane[3];
    std::size_t k = 0;
    for (; k + 32 <= n; k += 32) {
        a = rotl((a ^ load_le<std::uint64_t>(p + k)) * kMul, 31);
        b = rotl((b ^ load_le<std::uint64_t>(p + k + 8)) * kMul, 31);
        c = rotl((c ^ load_le<std::uint64_t>(p + k + 16)) * kMul, 31);
        e = rotl((e ^ load_le<std::uint64_t>(p + k + 24)) * kMul, 31);
    }
    d.lane[0] = a, d.lane[1] = b, d.lane[2] = c, d.lane[3] = e;
    for (int lane = 0; k < n; k += 8, ++lane) {
        unsigned char word[8] = {};
        std::memcpy(word, p + k, std::min<std::size_t>(8, n - k));
        d.lane[lane] = rotl((d.lane[lane] ^ load_le<std::uint64_t>(word)) * kMul, 31);
    }
    d.bytes += n;
}

std::uint64_t digest_value(const Digest &d) {
    std::uint64_t h = fmix(d.bytes * kMul + 0x27D4EB2F165667C5ull);
    for (const std::uint64_t lane : d.lane) h = fmix(rotl(h ^ fmix(lane), 27) * kMul);
    return h;
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

// The per-point facts: integer extents and the points outside the header's
// box, with integer compares and no branches.
template <class Rec>
void scan_points(const unsigned char *p, std::size_t n, const BoxTest &t, PointScan &s) {
    using L = PointLayout<Rec>;
    std::int32_t mnx = s.min[0], mny = s.min[1], mnz = s.min[2];
    std::int32_t mxx = s.max[0], mxy = s.max[1], mxz = s.max[2];
    std::uint64_t out = 0;
    const std::int64_t lx = t.lo[0], ly = t.lo[1], lz = t.lo[2];
    const std::uint64_t wx = t.width[0], wy = t.width[1], wz = t.width[2];
    for (std::size_t k = 0; k < n; ++k, p += L::size) {
        const std::int32_t x = load_le<std::int32_t>(p + L::x);
        const std::int32_t y = load_le<std::int32_t>(p + L::y);
        const std::int32_t z = load_le<std::int32_t>(p + L::z);
        mnx = std::min(mnx, x), mxx = std::max(mxx, x);
        mny = std::min(mny, y), mxy = std::max(mxy, y);
        mnz = std::min(mnz, z), mxz = std::max(mxz, z);
        out += static_cast<std::uint64_t>((static_cast<std::uint64_t>(x - lx) > wx) |
                                          (static_cast<std::uint64_t>(y - ly) > wy) |
                                          (static_cast<std::uint64_t>(z - lz) > wz));
    }
    s.min[0] = mnx, s.min[1] = mny, s.min[2] = mnz;
    s.max[0] = mxx, s.max[1] = mxy, s.max[2] = mxz;
    s.outside += out;
}

void scan_block(int16_t type, const unsigned char *p, std::size_t n, const BoxTest &t, PointScan &s) {
    korvane::with_record_type(type, [&](auto rec) { scan_points<decltype(rec)>(p, n, t, s); });
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

void fold_header_extents(const LAS12Header &h, Accumulator &acc) {
    if (h.MaxX > acc.maxX) acc.maxX = h.MaxX;
    if (h.MinX < acc.minX) acc.minX = h.MinX;
    if (h.MaxY > acc.maxY) acc.maxY = h.MaxY;
    if (h.MinY < acc.minY) acc.minY = h.MinY;
    if (h.MaxZ > acc.maxZ) acc.maxZ = h.MaxZ;
    if (h.MinZ < acc.minZ) acc.minZ = h.MinZ;
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
    const char version[] = {static_cast<char>(korvane::digit(h.VersionMajor)), '.',
                            static_cast<char>(korvane::digit(h.VersionMinor)), '\0'};
    f[ColVersion] = version;
    f[ColFormat] = std::to_string(compressed ? (h.PointDataFormatID & 0x3F) : h.PointDataFormatID);
}

// The reason of a refused header, in the words check_las prints it with.
std::string refusal(const korvane::HeaderClass &c) {
    const LAS12Header &h = c.header;
    char text[200];
    const int major = korvane::digit(h.VersionMajor), minor = korvane::digit(h.VersionMinor);
    const int format = korvane::digit(h.PointDataFormatID);
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
    std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(digest_value(d)));
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
    out.bytes += got;
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
    fold_header_extents(h, r.acc);
    const std::size_t rec = korvane::las_type_info(type)->record_size;
    // Blocks of a multiple of 16 records hold a multiple of 32 bytes (every
    // record size is even), as the digest wants.
    const std::size_t block_records = std::max<std::size_t>(16, ((std::size_t{1} << 20) / (rec * 16)) * 16);
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
        const unsigned char *p = r.block.data();
        accumulate_records(type, r.detailed, p, n, r.acc);
        if (!box.all_outside) scan_block(type, p, n, box, scan);
        digest_block(digest, p, n * rec);
        records += n;
        out.bytes += n * rec;
        if (n < want) {
            if (std::ferror(file.get())) {
                set_unreadable(f, std::strerror(errno != 0 ? errno : EIO));
                return;
            }
            break;
        }
    }
    if (box.all_outside) {
        scan = PointScan{};
        scan.outside = records;
        // The extents still come from the points.
        BoxTest wide{};
        for (int a = 0; a < 3; ++a) wide.lo[a] = INT32_MIN, wide.width[a] = UINT32_MAX;
        if (korvane::seek_to(file.get(), h.OffsetToData)) {
            std::uint64_t seen = 0;
            while (seen < records) {
                const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(records - seen, block_records));
                const std::size_t n = std::fread(r.block.data(), rec, want, file.get());
                scan_block(type, r.block.data(), n, wide, scan);
                seen += n;
                if (n < want) break;
            }
            if (seen < records) {
                set_unreadable(f, "the file changed while it was read");
                return;
            }
        }
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
}

}  // namespace pointsieve::qa
