// The encoding side of the LAZ format's range coder and integer
// compressor, for the tests alone: what they write, the decoder must read
// back. It shares the decoder's models (their adaptation is the same on
// both sides) and writes, as LASzip's encoder does, the bytes that keep the
// decoder's reads within the stream.
#pragma once

#include <cstdint>
#include <vector>

#include "integer_decoder.hpp"
#include "range_decoder.hpp"

namespace laz_test_encoder {

using namespace pointsieve::laz;

struct RangeEncoder {
    std::vector<unsigned char> out;
    std::uint32_t base = 0, length = 0xFFFFFFFFu;
};

// A carry out of base runs back through the bytes written.
inline void carry(RangeEncoder &e) {
    for (std::size_t k = e.out.size(); k-- > 0;)
        if (++e.out[k] != 0) return;
}

inline void move_on(RangeEncoder &e, std::uint32_t low, std::uint32_t length) {
    const std::uint32_t before = e.base;
    e.base += low;
    e.length = length;
    if (e.base < before) carry(e);
    while (e.length < kLengthMin) {
        e.out.push_back(static_cast<unsigned char>(e.base >> 24));
        e.base <<= 8;
        e.length <<= 8;
    }
}

inline void encode_symbol(RangeEncoder &e, SymbolModel &m, std::uint32_t symbol) {
    const std::uint32_t unit = e.length >> kSymbolLengthShift;
    const std::uint32_t *distribution = m.words.data();
    const std::uint32_t low = distribution[symbol] * unit;
    move_on(e, low, symbol + 1 == m.symbols ? e.length - low : distribution[symbol + 1] * unit - low);
    ++m.words[m.symbols + symbol];
    if (--m.until_update == 0) update_symbol_model(m);
}

inline void encode_bit(RangeEncoder &e, BitModel &m, std::uint32_t bit) {
    const std::uint32_t x = m.zero_probability * (e.length >> kBitLengthShift);
    if (bit == 0) ++m.zeros, move_on(e, 0, x);
    else move_on(e, x, e.length - x);
    if (--m.until_update == 0) update_bit_model(m);
}

inline void write_bits(RangeEncoder &e, std::uint32_t bits, std::uint32_t value) {
    if (bits > 19) {
        write_bits(e, 16, value & 0xFFFFu);
        value >>= 16, bits -= 16;
    }
    const std::uint32_t unit = e.length >> bits;
    move_on(e, value * unit, unit);
}

// The last bytes: enough of base to pin the interval, then zeros.
inline std::vector<unsigned char> finish(RangeEncoder &e) {
    const bool long_interval = e.length > 2 * kLengthMin;
    move_on(e, long_interval ? kLengthMin : kLengthMin >> 1, long_interval ? kLengthMin >> 1 : kLengthMin >> 9);
    e.out.insert(e.out.end(), long_interval ? 3 : 2, 0);
    return e.out;
}

// real after predicted, in context, by the decoder's own models.
inline void encode_integer(RangeEncoder &e, IntegerDecoder &d, std::int32_t predicted, std::int32_t real,
                           std::uint32_t context) {
    std::int32_t c = static_cast<std::int32_t>(static_cast<std::uint32_t>(real) - static_cast<std::uint32_t>(predicted));
    const std::int32_t corr_max = static_cast<std::int32_t>(static_cast<std::uint32_t>(d.corr_min) + d.corr_range - 1);
    if (d.corr_range && c < d.corr_min) c += static_cast<std::int32_t>(d.corr_range);
    else if (d.corr_range && c > corr_max) c -= static_cast<std::int32_t>(d.corr_range);
    std::uint32_t k = 0;
    for (std::uint32_t m = c <= 0 ? 0u - static_cast<std::uint32_t>(c) : static_cast<std::uint32_t>(c) - 1; m; m >>= 1) ++k;
    if (!d.ready[context]) ready_k_model(d, context);
    encode_symbol(e, d.k_models[context], k);
    if (k == 0) return encode_bit(e, d.zero_or_one, static_cast<std::uint32_t>(c));
    if (k == 32) return;
    std::uint32_t v = c < 0 ? static_cast<std::uint32_t>(c) + ((1u << k) - 1) : static_cast<std::uint32_t>(c) - 1;
    if (!d.ready[d.contexts + k]) ready_corrector_model(d, k);
    const std::uint32_t low = k > d.bits_high ? k - d.bits_high : 0;
    encode_symbol(e, d.corrector_models[k], v >> low);
    if (low) write_bits(e, low, v & ((1u << low) - 1));
}

}  // namespace laz_test_encoder
