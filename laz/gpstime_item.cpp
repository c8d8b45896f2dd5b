// GPSTIME11, the 8-byte GPS time of point formats 1 and 3 to 5, in version
// 2, and the GPS time layer of POINT14: the time steps between pulses are
// predicted as a multiple of the last one, in up to four sequences of
// times at once (returns of interleaved scan lines); a jump too large for
// 32 bits starts another sequence. POINT14 has the same codes less the one
// for an unchanged time, which its record's changed bits give instead.
#include "laz_endian.hpp"
#include "point_items.hpp"

namespace pointsieve::laz {

namespace {

// The multiples of the last step that version 2 codes: 1 to 499 up, 500
// and more, down to -10, then the codes for no change, a full time, and a
// switch to sequence 1 to 3 after this one.
constexpr std::int32_t kMultiMost = 500, kMultiLeast = -10;
constexpr std::uint32_t kMultiUnchanged = kMultiMost - kMultiLeast + 1;  // 511
constexpr std::uint32_t kMultiFull = kMultiMost - kMultiLeast + 2;       // 512
constexpr std::uint32_t kMultiSymbols = kMultiMost - kMultiLeast + 6;    // 516
constexpr std::uint32_t kZeroDiffSymbols = 6;
// A sequence switch is followed by the time in that sequence; more
// switches in a row than sequences only come from corrupt data.
constexpr int kMostSwitches = 4;

std::int32_t times(std::int32_t multiple, std::int32_t diff) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(multiple) * static_cast<std::uint32_t>(diff));
}

// A step that may become the sequence's own after four in a row.
void count_extreme(GpsTimeDecoder &g, std::int32_t diff) {
    if (++g.extremes[g.last] > 3) {
        g.last_diff[g.last] = diff;
        g.extremes[g.last] = 0;
    }
}

// A time whose upper 32 bits are predicted from the last time's, the lower
// ones raw, in the next of the four sequences.
void decode_full_time(GpsTimeDecoder &g, RangeDecoder &r) {
    g.next = (g.next + 1) & 3u;
    const auto high = static_cast<std::uint32_t>(
        decode_integer(r, g.diffs, static_cast<std::int32_t>(g.last_time[g.last] >> 32), 8));
    g.last_time[g.next] = (std::uint64_t{high} << 32) | read_u32(r);
    g.last = g.next;
    g.last_diff[g.last] = 0;
    g.extremes[g.last] = 0;
}

// One step of the time, or false after a switch of sequence. POINT14's
// codes (point14 1) are those from the unchanged one on, less one.
bool decode_step(GpsTimeDecoder &g, RangeDecoder &r, std::uint32_t point14) {
    std::uint64_t &time = g.last_time[g.last];
    const std::int32_t last_diff = g.last_diff[g.last];
    if (last_diff == 0) {
        const std::uint32_t code = decode_symbol(r, g.zero_diff) + point14;
        if (code == 1) {
            const std::int32_t diff = decode_integer(r, g.diffs, 0, 0);
            g.last_diff[g.last] = diff;
            time += static_cast<std::uint64_t>(std::int64_t{diff});
            g.extremes[g.last] = 0;
        } else if (code == 2) {
            decode_full_time(g, r);
        } else if (code > 2) {
            g.last = (g.last + code - 2) & 3u;
            return false;
        }
        return true;
    }
    std::uint32_t code = decode_symbol(r, g.multi);
    if (code >= kMultiUnchanged) code += point14;
    if (code == kMultiFull) {
        decode_full_time(g, r);
        return true;
    }
    if (code > kMultiFull) {
        g.last = (g.last + code - kMultiFull) & 3u;
        return false;
    }
    if (code == kMultiUnchanged) return true;
    std::int32_t diff;
    if (code == 1) {
        diff = decode_integer(r, g.diffs, last_diff, 1);
        g.extremes[g.last] = 0;
    } else if (code == 0) {
        diff = decode_integer(r, g.diffs, 0, 7);
        count_extreme(g, diff);
    } else if (code < static_cast<std::uint32_t>(kMultiMost)) {
        const auto multiple = static_cast<std::int32_t>(code);
        diff = decode_integer(r, g.diffs, times(multiple, last_diff), code < 10 ? 2 : 3);
    } else if (code == static_cast<std::uint32_t>(kMultiMost)) {
        diff = decode_integer(r, g.diffs, times(kMultiMost, last_diff), 4);
        count_extreme(g, diff);
    } else {
        const std::int32_t multiple = kMultiMost - static_cast<std::int32_t>(code);
        if (multiple > kMultiLeast) {
            diff = decode_integer(r, g.diffs, times(multiple, last_diff), 5);
        } else {
            diff = decode_integer(r, g.diffs, times(kMultiLeast, last_diff), 6);
            count_extreme(g, diff);
        }
    }
    time += static_cast<std::uint64_t>(std::int64_t{diff});
    return true;
}

}  // namespace

void setup_gpstime(GpsTimeDecoder &g, std::uint16_t version) {
    g.version = version;
    setup_integer_decoder(g.diffs, 32, version == 1 ? 6 : 9);
}

void start_gpstime_at(GpsTimeDecoder &g, std::uint64_t time) {
    g.last_time.fill(0);
    g.last_time[0] = time;
    g.last_diff.fill(0);
    g.extremes.fill(0);
    g.last = g.next = 0;
    const std::uint32_t fewer = g.version >= 3;  // POINT14's
    reset_symbol_model(g.multi, g.version == 1 ? 512 : kMultiSymbols - fewer);
    reset_symbol_model(g.zero_diff, g.version == 1 ? 3 : kZeroDiffSymbols - fewer);
    reset_integer_decoder(g.diffs);
}

void start_gpstime(GpsTimeDecoder &g, const unsigned char *first) { start_gpstime_at(g, load_le<std::uint64_t>(first)); }

std::uint64_t decode_gpstime_step(GpsTimeDecoder &g, RangeDecoder &r) {
    const std::uint32_t point14 = g.version >= 3;
    int switches = 0;
    while (!decode_step(g, r, point14))
        if (++switches > kMostSwitches) {
            r.corrupt = true;
            break;
        }
    return g.last_time[g.last];
}

void decode_gpstime_v2(GpsTimeDecoder &g, RangeDecoder &r, unsigned char *out) {
    store_le(out, decode_gpstime_step(g, r));
}

}  // namespace pointsieve::laz
