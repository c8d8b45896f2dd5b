// GPSTIME11, RGB12 and BYTE in version 1, as LASzip wrote them before 2.0.
// The time step is predicted as a multiple of the last one, in a single
// sequence; each colour byte and extra byte that changed is coded by the
// integer decompressor from the last record's, one context a byte.
#include "laz_endian.hpp"
#include "point_items.hpp"

namespace pointsieve::laz {

namespace {

// The multiples coded: 0 to 508 (509 the largest kept), 510 a full time,
// 511 no change.
constexpr std::uint32_t kMultiLargestV1 = 509, kMultiFullV1 = 510;

std::int32_t times_v1(std::uint32_t multiple, std::int32_t diff) {
    return static_cast<std::int32_t>(multiple * static_cast<std::uint32_t>(diff));
}

}  // namespace

void decode_gpstime_v1(GpsTimeDecoder &g, RangeDecoder &r, unsigned char *out) {
    std::uint64_t &time = g.last_time[0];
    std::int32_t &last_diff = g.last_diff[0];
    std::int32_t &extremes = g.extremes[0];
    if (last_diff == 0) {
        const std::uint32_t code = decode_symbol(r, g.zero_diff);
        if (code == 1) {
            last_diff = decode_integer(r, g.diffs, 0, 0);
            time += static_cast<std::uint64_t>(std::int64_t{last_diff});
        } else if (code == 2) {
            time = read_u64(r);
        }
    } else {
        const std::uint32_t code = decode_symbol(r, g.multi);
        if (code < kMultiFullV1) {
            std::int32_t diff;
            if (code == 1) {
                diff = last_diff = decode_integer(r, g.diffs, last_diff, 1);
                extremes = 0;
            } else if (code == 0) {
                diff = decode_integer(r, g.diffs, last_diff / 4, 2);
                if (++extremes > 3) last_diff = diff, extremes = 0;
            } else {
                diff = decode_integer(r, g.diffs, times_v1(code, last_diff), code < 10 ? 3 : code < 50 ? 4 : 5);
                if (code == kMultiLargestV1 && ++extremes > 3) last_diff = diff, extremes = 0;
            }
            time += static_cast<std::uint64_t>(std::int64_t{diff});
        } else if (code == kMultiFullV1) {
            time = read_u64(r);
        }
    }
    store_le(out, time);
}

void decode_rgb_v1(RgbDecoder &c, RangeDecoder &r, unsigned char *out) {
    // Bit 2k: the low byte of colour k changed, bit 2k + 1 its high byte.
    const std::uint32_t used = decode_symbol(r, c.used);
    for (std::uint32_t k = 0; k < 3; ++k) {
        std::uint32_t low = c.last[k] & 0xFFu, high = std::uint32_t{c.last[k]} >> 8;
        if (used >> (2 * k) & 1u)
            low = static_cast<std::uint32_t>(decode_integer(r, c.bytes_v1, static_cast<std::int32_t>(low), 2 * k));
        if (used >> (2 * k + 1) & 1u)
            high = static_cast<std::uint32_t>(decode_integer(r, c.bytes_v1, static_cast<std::int32_t>(high), 2 * k + 1));
        c.last[k] = static_cast<std::uint16_t>((low & 0xFFu) | (high & 0xFFu) << 8);
        store_le(out + 2 * k, c.last[k]);
    }
}

void decode_bytes_v1(BytesDecoder &b, RangeDecoder &r, unsigned char *out) {
    const std::size_t n = b.last.size();
    for (std::size_t k = 0; k < n && !r.overrun; ++k)
        b.last[k] = static_cast<unsigned char>(
            decode_integer(r, b.bytes_v1, b.last[k], static_cast<std::uint32_t>(k)));
    for (std::size_t k = 0; k < n; ++k) out[k] = b.last[k];
}

}  // namespace pointsieve::laz
