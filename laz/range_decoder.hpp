// The arithmetic decoder of the LAZ format: LASzip's 32-bit range coder and
// its adaptive models, one of symbols (2 to 2048 of them) and one of bits.
// The decoder takes its bytes from one bounded buffer: past the end it
// reads zeros and sets overrun, and raw bits the encoder could not have
// written set corrupt, so that a caller checks once a point, not once a byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The decoding steps are inlined where they are called, in each item's
// loop: a call each symbol costs a tenth of the decoding's time.
#if defined(__GNUC__) || defined(__clang__)
#define POINTSIEVE_LAZ_INLINE inline __attribute__((always_inline))
#else
#define POINTSIEVE_LAZ_INLINE inline
#endif

namespace pointsieve::laz {

inline constexpr std::uint32_t kLengthMin = 0x01000000u;  // renormalised below this
inline constexpr std::uint32_t kBitLengthShift = 13;      // bits a bit model drops from the length
inline constexpr std::uint32_t kSymbolLengthShift = 15;   // and a symbol model

struct RangeDecoder {
    const unsigned char *next = nullptr;
    const unsigned char *end = nullptr;
    std::uint32_t value = 0;
    std::uint32_t length = 0;
    bool overrun = false;  // wanted a byte past the end
    bool corrupt = false;  // decoded raw bits out of their range
};

struct BitModel {
    std::uint32_t zero_probability = 0;  // scaled to 1 << kBitLengthShift
    std::uint32_t zeros = 0, bits = 0;   // counts since the last halving
    std::uint32_t update_cycle = 0, until_update = 0;
};

struct SymbolModel {
    // The cumulative distribution (symbols words), the counts (symbols
    // words), then for more than 16 symbols the decoding table (table_size
    // + 2 words). Allocated at the first reset, kept over later ones.
    std::vector<std::uint32_t> words;
    std::uint32_t symbols = 0;
    std::uint32_t table_size = 0, table_shift = 0;
    std::uint32_t total = 0, update_cycle = 0, until_update = 0;
};

// Starts decoding the size bytes at bytes: the first four are the value.
void start_range_decoder(RangeDecoder &d, const unsigned char *bytes, std::size_t size);

// The equiprobable starting state of a model.
void reset_bit_model(BitModel &m);
void reset_symbol_model(SymbolModel &m, std::uint32_t symbols);

// The periodic recomputation of a model's probabilities from its counts.
void update_bit_model(BitModel &m);
void update_symbol_model(SymbolModel &m);

POINTSIEVE_LAZ_INLINE std::uint32_t take_byte(RangeDecoder &d) {
    if (d.next != d.end) return *d.next++;
    d.overrun = true;
    return 0;
}

POINTSIEVE_LAZ_INLINE void renormalise(RangeDecoder &d) {
    do {
        d.value = (d.value << 8) | take_byte(d);
        d.length <<= 8;
    } while (d.length < kLengthMin);
}

POINTSIEVE_LAZ_INLINE std::uint32_t decode_bit(RangeDecoder &d, BitModel &m) {
    const std::uint32_t x = m.zero_probability * (d.length >> kBitLengthShift);
    std::uint32_t bit;
    if (d.value < x) {
        bit = 0;
        d.length = x;
        ++m.zeros;
    } else {
        bit = 1;
        d.value -= x;
        d.length -= x;
    }
    if (d.length < kLengthMin) renormalise(d);
    if (--m.until_update == 0) update_bit_model(m);
    return bit;
}

POINTSIEVE_LAZ_INLINE std::uint32_t decode_symbol(RangeDecoder &d, SymbolModel &m) {
    std::uint32_t *const distribution = m.words.data();
    std::uint32_t symbol, x, y = d.length;
    if (m.table_size) {
        // The table narrows the search to a few symbols; a value past the
        // interval (only in corrupt data) is held to the table's last entry.
        d.length >>= kSymbolLengthShift;
        const std::uint32_t scaled = d.value / d.length;
        std::uint32_t t = scaled >> m.table_shift;
        if (t > m.table_size) t = m.table_size;
        const std::uint32_t *table = distribution + 2 * m.symbols;
        symbol = table[t];
        std::uint32_t n = table[t + 1] + 1;
        while (n > symbol + 1) {
            const std::uint32_t k = (symbol + n) >> 1;
            if (distribution[k] > scaled) n = k;
            else symbol = k;
        }
        x = distribution[symbol] * d.length;
        if (symbol != m.symbols - 1) y = distribution[symbol + 1] * d.length;
    } else {
        // Few symbols: bisection by products alone.
        x = symbol = 0;
        d.length >>= kSymbolLengthShift;
        std::uint32_t n = m.symbols, k = n >> 1;
        do {
            const std::uint32_t z = d.length * distribution[k];
            if (z > d.value) {
                n = k;
                y = z;
            } else {
                symbol = k;
                x = z;
            }
        } while ((k = (symbol + n) >> 1) != symbol);
    }
    d.value -= x;
    d.length = y - x;
    if (d.length < kLengthMin) renormalise(d);
    ++distribution[m.symbols + symbol];
    if (--m.until_update == 0) update_symbol_model(m);
    return symbol;
}

// Raw bits, equiprobable, without a model: up to 19 in one step.
inline std::uint32_t read_short_bits(RangeDecoder &d, std::uint32_t bits) {
    d.length >>= bits;
    const std::uint32_t v = d.value / d.length;
    d.value -= d.length * v;
    if (d.length < kLengthMin) renormalise(d);
    if (v >> bits) d.corrupt = true;
    return v;
}

// Up to 32 raw bits: beyond 19, the low 16 first.
inline std::uint32_t read_bits(RangeDecoder &d, std::uint32_t bits) {
    if (bits > 19) {
        const std::uint32_t low = read_short_bits(d, 16);
        return (read_short_bits(d, bits - 16) << 16) | low;
    }
    return read_short_bits(d, bits);
}

inline std::uint32_t read_u32(RangeDecoder &d) {
    const std::uint32_t low = read_short_bits(d, 16);
    return (read_short_bits(d, 16) << 16) | low;
}

inline std::uint64_t read_u64(RangeDecoder &d) {
    const std::uint64_t low = read_u32(d);
    return (std::uint64_t{read_u32(d)} << 32) | low;
}

}  // namespace pointsieve::laz
