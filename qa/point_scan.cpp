// The loops over point records, one instance per layout: the record's
// stride is a constant where it equals its format's size (the common case)
// and a variable where extra bytes follow.
#include "point_scan.hpp"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <type_traits>

#include "angle_bins.hpp"
#include "point_formats.hpp"

namespace pointsieve::qa {

namespace fmt = pointsieve::formats;
using korvane::load_le;

namespace {

constexpr std::uint64_t kKeyA = 0xA0761D6478BD642Full, kKeyB = 0xE7037ED1A0B428DBull;
constexpr std::uint64_t kMulA = 0x9E3779B97F4A7C15ull, kMulB = 0xC2B2AE3D27D4EB4Full;

inline std::uint64_t rotl(std::uint64_t v, int r) { return (v << r) | (v >> (64 - r)); }

// X and Y mixed: the digest's and the position's common part.
inline std::uint64_t xy_mix(std::uint64_t w0) { return (w0 ^ kKeyA) * kMulA; }

inline std::uint64_t point_mix(std::uint64_t xy, std::uint64_t w1) { return xy ^ rotl((w1 ^ kKeyB) * kMulB, 32); }

// A point's X, Y and Z as one 64-bit hash: X and Y mixed (a bijection),
// Z shifted in. Equal positions give equal hashes; two others collide only
// by chance, and the top bits, by which the sample is taken, are even.
inline std::uint64_t position_hash(std::uint64_t xy, std::uint64_t w1) { return xy ^ ((w1 & 0xFFFFFFFFu) << 29); }

enum class Kind { Plain, Timed, Extended };  // formats 0 and 2; 1, 3, 4 and 5; 6 to 10

// The record whose field offsets formats 0 to 5 share: those of format 0
// without a GPS time, of format 1 with one.
template <Kind K>
using LegacyRecord = std::conditional_t<K == Kind::Plain, LAS12fm0, LAS12fm1>;

// What a point of formats 6 to 10 adds to the figures.
template <bool Detailed>
[[gnu::always_inline]] inline void fold_extended_point(const unsigned char *p, Accumulator &acc, PointScan &s,
                                                       double &minGPS, double &maxGPS, const std::uint8_t *angles) {
    const double t = load_le<double>(p + fmt::extended::kGpsTime);
    // Strict comparisons: a NaN time never replaces an extreme.
    if (t > maxGPS) maxGPS = t;
    if (t < minGPS) minGPS = t;
    ++acc.BitfieldCount[p[fmt::kReturnBits]];
    ++s.flags[p[fmt::extended::kFlags]];
    ++acc.ClassificationCount[p[fmt::extended::kClassification]];
    if constexpr (Detailed) {
        ++acc.IntensityCount[load_le<std::uint16_t>(p + fmt::kIntensity)];
        ++acc.ScanAngleRankCount[angles[load_le<std::uint16_t>(p + fmt::extended::kScanAngle)]];
        ++acc.UserDataCount[p[fmt::extended::kUserData]];
        ++acc.PointSourceIDCount[load_le<std::uint16_t>(p + fmt::extended::kPointSourceID)];
    }
}

// The points of every line_step-th record for the flight lines and voids.
template <Kind K>
void visit_lines(const unsigned char *first, std::size_t n, std::size_t stride, PointScan &s) {
    std::size_t k = s.line_skip;
    for (; k < n; k += s.line_step) {
        const unsigned char *q = first + k * stride;
        const unsigned returns = q[fmt::kReturnBits];
        double gps = 0;
        bool last;
        std::uint16_t source;
        if constexpr (K == Kind::Extended) {
            gps = load_le<double>(q + fmt::extended::kGpsTime);
            last = (returns & 15u) == returns >> 4;
            source = load_le<std::uint16_t>(q + fmt::extended::kPointSourceID);
        } else {
            if constexpr (K == Kind::Timed) gps = load_le<double>(q + fmt::legacy::kGpsTime);
            last = (returns & 7u) == ((returns >> 3) & 7u);
            source = load_le<std::uint16_t>(q + fmt::legacy::kPointSourceID);
        }
        fold_line_point(*s.lines, static_cast<std::int32_t>(load_le<std::uint32_t>(q)),
                        static_cast<std::int32_t>(load_le<std::uint32_t>(q + 4)),
                        static_cast<std::int32_t>(load_le<std::uint32_t>(q + 8)), gps, source, last);
    }
    s.line_skip = k - n;
}

// Four 32-bit lanes: X, Y and Z of a point (the fourth lane is not used).
typedef std::int32_t Lanes __attribute__((vector_size(16)));

template <Kind K, bool Detailed, std::size_t Stride>
[[gnu::always_inline]] inline void scan(const unsigned char *p, std::size_t n, std::size_t stride, Accumulator &acc,
                                        PointScan &s) {
    if constexpr (Stride != 0) stride = Stride;
    double minGPS = acc.minGPSTime, maxGPS = acc.maxGPSTime;
    std::uint64_t sum = s.digest_sum;
    constexpr bool kLanes = std::endian::native == std::endian::little;
    // The fourth lane holds the intensity: the first 16 bits of bytes 12 to 15.
    const Lanes mask = {-1, -1, -1, 0xFFFF};
    Lanes mn = {s.min[0], s.min[1], s.min[2], s.intensity_min}, mx = {s.max[0], s.max[1], s.max[2], s.intensity_max};
    std::int32_t mnx = s.min[0], mny = s.min[1], mnz = s.min[2];
    std::int32_t mxx = s.max[0], mxy = s.max[1], mxz = s.max[2];
    std::int32_t mni = s.intensity_min, mxi = s.intensity_max, angle = s.angle_max;
    std::uint64_t zero_sources = s.source_zero;
    const std::uint64_t below = s.sample_below;
    const std::uint8_t *angles = K == Kind::Extended && Detailed ? angle_bins().bin.data() : nullptr;
    // The positions sampled go to a buffer on the stack, a run of points at
    // a time, with no call inside the loop.
    constexpr std::size_t kRun = 256;
    std::uint64_t found[kRun];
    for (std::size_t run = 0; run < n; run += kRun) {
      std::size_t sampled = 0;
      const std::size_t end = std::min(n, run + kRun);
      for (std::size_t k = run; k < end; ++k, p += stride) {
        const std::uint64_t w0 = load_le<std::uint64_t>(p), w1 = load_le<std::uint64_t>(p + 8);
        const std::uint64_t xy = xy_mix(w0);
        sum += point_mix(xy, w1);
        const std::uint64_t place = position_hash(xy, w1);
        if (place < below) [[unlikely]]
            found[sampled++] = place;
        if constexpr (kLanes) {
            Lanes v;
            std::memcpy(&v, p, sizeof v);
            v &= mask;
            mn = v < mn ? v : mn;
            mx = v > mx ? v : mx;
        } else {
            const auto x = static_cast<std::int32_t>(static_cast<std::uint32_t>(w0));
            const auto y = static_cast<std::int32_t>(static_cast<std::uint32_t>(w0 >> 32));
            const auto z = static_cast<std::int32_t>(static_cast<std::uint32_t>(w1));
            mnx = std::min(mnx, x), mxx = std::max(mxx, x);
            mny = std::min(mny, y), mxy = std::max(mxy, y);
            mnz = std::min(mnz, z), mxz = std::max(mxz, z);
            const auto i = static_cast<std::int32_t>((w1 >> 32) & 0xFFFFu);
            mni = std::min(mni, i), mxi = std::max(mxi, i);
        }
        if constexpr (K == Kind::Extended)
            fold_extended_point<Detailed>(p, acc, s, minGPS, maxGPS, angles);
        else
            fold_point<LegacyRecord<K>, Detailed>(p, acc, minGPS, maxGPS);
    }
      s.sample.insert(s.sample.end(), found, found + sampled);
    }
    if constexpr (kLanes) {
        mnx = mn[0], mny = mn[1], mnz = mn[2], mni = mn[3];
        mxx = mx[0], mxy = mx[1], mxz = mx[2], mxi = mx[3];
    }
    s.intensity_min = mni, s.intensity_max = mxi;
    s.min[0] = mnx, s.min[1] = mny, s.min[2] = mnz;
    s.max[0] = mxx, s.max[1] = mxy, s.max[2] = mxz;
    acc.minGPSTime = minGPS;
    acc.maxGPSTime = maxGPS;
    acc.ReturnCount += n;
    s.digest_sum = sum;
    // The scan angle and the point source ID, of every attribute_step-th
    // record, in a loop of their own.
    const unsigned char *const first = p - n * stride;
    std::size_t k = s.attribute_skip;
    const std::size_t step = s.attribute_step;
    const std::uint64_t edge_mask = s.edge_mask;
    std::uint64_t visits = s.attribute_points;
    for (; k < n; k += step) {
        const unsigned char *q = first + k * stride;
        std::int32_t a;
        std::uint16_t source;
        bool ground, last;
        const unsigned returns = q[fmt::kReturnBits];
        if constexpr (K == Kind::Extended) {
            a = static_cast<std::int16_t>(load_le<std::uint16_t>(q + fmt::extended::kScanAngle));
            source = load_le<std::uint16_t>(q + fmt::extended::kPointSourceID);
            ground = q[fmt::extended::kClassification] == 2;
            last = (returns & 15u) == returns >> 4;
        } else {
            a = static_cast<std::int8_t>(q[fmt::legacy::kScanAngleRank]);
            source = load_le<std::uint16_t>(q + fmt::legacy::kPointSourceID);
            ground = (q[fmt::legacy::kClassification] & 31u) == 2;
            last = (returns & 7u) == ((returns >> 3) & 7u);
        }
        angle = std::max(angle, a < 0 ? -a : a);
        zero_sources += source == 0;
        // The strips along the sides, of every fourth of these points in a
        // large tile: plenty for a line in each length of a side.
        if (s.edges.on && (visits & edge_mask) == 0)
            fold_edge(s.edges, static_cast<std::int32_t>(load_le<std::uint32_t>(q)),
                      static_cast<std::int32_t>(load_le<std::uint32_t>(q + 4)),
                      static_cast<std::int32_t>(load_le<std::uint32_t>(q + 8)), ground, last);
        ++visits;
    }
    s.attribute_points = visits;
    s.attribute_skip = k - n;
    s.angle_max = angle;
    s.source_zero = zero_sources;
    if (s.lines) visit_lines<K>(first, n, stride, s);
}

using ScanFn = void (*)(const unsigned char *, std::size_t, std::size_t, Accumulator &, PointScan &);

template <Kind K, bool Detailed, std::size_t Stride>
void scan_generic(const unsigned char *p, std::size_t n, std::size_t stride, Accumulator &acc, PointScan &s) {
    scan<K, Detailed, Stride>(p, n, stride, acc, s);
}

// On x86-64 the same loops compiled for SSE4.1 too, whose 32-bit minimum
// and maximum take one instruction each where SSE2 takes four; chosen at
// run time.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__SSE4_1__)
#define POINTSIEVE_QA_SSE41 1
template <Kind K, bool Detailed, std::size_t Stride>
[[gnu::target("sse4.1")]] void scan_sse41(const unsigned char *p, std::size_t n, std::size_t stride,
                                          Accumulator &acc, PointScan &s) {
    scan<K, Detailed, Stride>(p, n, stride, acc, s);
}
#endif

template <Kind K, bool Detailed, std::size_t Stride>
ScanFn pick() {
#if defined(POINTSIEVE_QA_SSE41)
    static const bool sse41 = __builtin_cpu_supports("sse4.1");
    if (sse41) return scan_sse41<K, Detailed, Stride>;
#endif
    return scan_generic<K, Detailed, Stride>;
}

template <bool Detailed>
ScanFn scanner(unsigned format, std::size_t stride) {
    const bool exact = stride == fmt::kPointFormats[format].size;
    switch (format) {
        case 0: return exact ? pick<Kind::Plain, Detailed, 20>() : pick<Kind::Plain, Detailed, 0>();
        case 1: return exact ? pick<Kind::Timed, Detailed, 28>() : pick<Kind::Timed, Detailed, 0>();
        case 2: return exact ? pick<Kind::Plain, Detailed, 26>() : pick<Kind::Plain, Detailed, 0>();
        case 3: return exact ? pick<Kind::Timed, Detailed, 34>() : pick<Kind::Timed, Detailed, 0>();
        case 4:
        case 5: return pick<Kind::Timed, Detailed, 0>();
        case 6: return exact ? pick<Kind::Extended, Detailed, 30>() : pick<Kind::Extended, Detailed, 0>();
        case 7: return exact ? pick<Kind::Extended, Detailed, 36>() : pick<Kind::Extended, Detailed, 0>();
        default: return pick<Kind::Extended, Detailed, 0>();
    }
}

}  // namespace

void scan_block(unsigned format, std::size_t stride, bool detailed, const unsigned char *p, std::size_t n,
                Accumulator &acc, PointScan &s) {
    if (n == 0 || format > fmt::kLastFormat) return;
    const ScanFn f = detailed ? scanner<true>(format, stride) : scanner<false>(format, stride);
    f(p, n, stride, acc, s);
}

ReturnTables tile_return_tables(unsigned format, const Accumulator &acc) {
    if (format <= 5) return return_tables(acc);
    ReturnTables t{};
    for (unsigned b = 0; b < 256; ++b) {
        t.by_return_number[b & 15u] += acc.BitfieldCount[b];
        t.by_number_of_returns[b >> 4] += acc.BitfieldCount[b];
    }
    return t;
}

void start_point_scan(PointScan &s, std::uint64_t records) {
    s = PointScan{};
    // The share of hashes kept: all up to kSampledPoints records, else about
    // kSampledPoints of them.
    if (records > kSampledPoints)
        s.sample_below = static_cast<std::uint64_t>(static_cast<double>(UINT64_MAX) *
                                                    (static_cast<double>(kSampledPoints) / static_cast<double>(records)));
    s.sample.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(records, kSampledPoints + kSampledPoints / 4)));
    s.attribute_step = records > kSampledPoints ? kAttributeStep : 1;
    s.edge_mask = records > kSampledPoints ? 3 : 0;
    s.line_step = records > kSampledPoints ? kLineStep : 1;
}

std::uint64_t repeated_points(PointScan &s, std::uint64_t records) {
    if (s.sample.empty()) return 0;
    std::sort(s.sample.begin(), s.sample.end());
    std::uint64_t repeats = 0;
    for (std::size_t k = 1; k < s.sample.size(); ++k) repeats += s.sample[k] == s.sample[k - 1];
    if (s.sample_below == UINT64_MAX) return repeats;
    return static_cast<std::uint64_t>(std::llround(static_cast<double>(repeats) * static_cast<double>(records) /
                                                   static_cast<double>(s.sample.size())));
}

std::uint64_t digest_value(std::uint64_t sum, std::uint64_t records) {
    std::uint64_t h = (sum ^ (records * kMulB)) * kMulA;
    h ^= h >> 32;
    h *= kMulB;
    return h ^ (h >> 29);
}

}  // namespace pointsieve::qa
