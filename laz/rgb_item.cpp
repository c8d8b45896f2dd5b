// RGB12, the red, green and blue of point formats 2, 3 and 5 (three 16-bit
// values), in version 2: each byte that changed is coded as a step from
// the last colour's; green and blue are predicted from red's step.
#include <algorithm>

#include "laz_endian.hpp"
#include "point_items.hpp"

namespace pointsieve::laz {

namespace {

std::uint32_t clamp_byte(int v) { return static_cast<std::uint32_t>(std::clamp(v, 0, 255)); }

// The byte decoded as a step from `predicted`, within 0 to 255.
std::uint32_t byte_after(RangeDecoder &r, SymbolModel &m, std::uint32_t predicted) {
    return (decode_symbol(r, m) + predicted) & 0xFFu;
}

}  // namespace

void setup_rgb(RgbDecoder &c, std::uint16_t version) {
    c.version = version;
    if (version == 1) setup_integer_decoder(c.bytes_v1, 8, 6);
}

void start_rgb(RgbDecoder &c, const unsigned char *first) {
    for (std::size_t k = 0; k < 3; ++k) c.last[k] = load_le<std::uint16_t>(first + 2 * k);
    if (c.version == 1) {
        reset_symbol_model(c.used, 64);
        reset_integer_decoder(c.bytes_v1);
    } else {
        reset_symbol_model(c.used, 128);
        for (SymbolModel &m : c.diff) reset_symbol_model(m, 256);
    }
}

void decode_rgb_v2(RgbDecoder &c, RangeDecoder &r, unsigned char *out) {
    // Bits 0 to 5: which bytes changed (red low, red high, green low, green
    // high, blue low, blue high); bit 6: green and blue are not red's.
    const std::uint32_t used = decode_symbol(r, c.used);
    std::uint32_t last_low[3], last_high[3];
    for (std::size_t k = 0; k < 3; ++k) last_low[k] = c.last[k] & 0xFFu, last_high[k] = std::uint32_t{c.last[k]} >> 8;
    std::uint32_t low[3], high[3];
    low[0] = used & 1 ? byte_after(r, c.diff[0], last_low[0]) : last_low[0];
    high[0] = used & 2 ? byte_after(r, c.diff[1], last_high[0]) : last_high[0];
    if (used & 64) {
        int step = static_cast<int>(low[0]) - static_cast<int>(last_low[0]);
        low[1] = used & 4 ? byte_after(r, c.diff[2], clamp_byte(step + static_cast<int>(last_low[1]))) : last_low[1];
        if (used & 16) {
            step = (step + static_cast<int>(low[1]) - static_cast<int>(last_low[1])) / 2;
            low[2] = byte_after(r, c.diff[4], clamp_byte(step + static_cast<int>(last_low[2])));
        } else {
            low[2] = last_low[2];
        }
        step = static_cast<int>(high[0]) - static_cast<int>(last_high[0]);
        high[1] =
            used & 8 ? byte_after(r, c.diff[3], clamp_byte(step + static_cast<int>(last_high[1]))) : last_high[1];
        if (used & 32) {
            step = (step + static_cast<int>(high[1]) - static_cast<int>(last_high[1])) / 2;
            high[2] = byte_after(r, c.diff[5], clamp_byte(step + static_cast<int>(last_high[2])));
        } else {
            high[2] = last_high[2];
        }
    } else {
        low[1] = low[2] = low[0];
        high[1] = high[2] = high[0];
    }
    for (std::size_t k = 0; k < 3; ++k) {
        c.last[k] = static_cast<std::uint16_t>(low[k] | high[k] << 8);
        store_le(out + 2 * k, c.last[k]);
    }
}

}  // namespace pointsieve::laz
