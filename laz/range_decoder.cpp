// The range decoder's start and the adaptation of its models: counts are
// halved when their total passes a threshold, and the probabilities are
// recomputed at intervals that lengthen as a model settles.
#include "range_decoder.hpp"

#include <algorithm>

namespace pointsieve::laz {

namespace {

constexpr std::uint32_t kBitCountMax = 1u << kBitLengthShift;
constexpr std::uint32_t kSymbolCountMax = 1u << kSymbolLengthShift;

}  // namespace

void start_range_decoder(RangeDecoder &d, const unsigned char *bytes, std::size_t size) {
    d.next = bytes;
    d.end = bytes + size;
    d.overrun = d.corrupt = false;
    d.length = 0xFFFFFFFFu;
    d.value = 0;
    for (int k = 0; k < 4; ++k) d.value = (d.value << 8) | take_byte(d);
}

void reset_bit_model(BitModel &m) {
    m.zeros = 1;
    m.bits = 2;
    m.zero_probability = 1u << (kBitLengthShift - 1);
    m.update_cycle = m.until_update = 4;
}

void update_bit_model(BitModel &m) {
    m.bits += m.update_cycle;
    if (m.bits > kBitCountMax) {
        m.bits = (m.bits + 1) >> 1;
        m.zeros = (m.zeros + 1) >> 1;
        if (m.zeros == m.bits) ++m.bits;
    }
    const std::uint32_t scale = 0x80000000u / m.bits;
    m.zero_probability = (m.zeros * scale) >> (31 - kBitLengthShift);
    m.update_cycle = std::min<std::uint32_t>((5 * m.update_cycle) >> 2, 64);
    m.until_update = m.update_cycle;
}

void reset_symbol_model(SymbolModel &m, std::uint32_t symbols) {
    if (m.symbols != symbols || m.words.empty()) {
        m.symbols = symbols;
        m.table_size = m.table_shift = 0;
        if (symbols > 16) {
            // A table of 2^bits entries, about a quarter as many as symbols.
            std::uint32_t bits = 3;
            while (symbols > (1u << (bits + 2))) ++bits;
            m.table_size = 1u << bits;
            m.table_shift = kSymbolLengthShift - bits;
        }
        m.words.assign(2 * std::size_t{symbols} + (m.table_size ? m.table_size + 2 : 0), 0);
    }
    std::fill_n(m.words.data() + symbols, symbols, 1u);
    m.total = 0;
    m.update_cycle = symbols;
    update_symbol_model(m);
    m.update_cycle = m.until_update = (symbols + 6) >> 1;
}

void update_symbol_model(SymbolModel &m) {
    const std::uint32_t n = m.symbols;
    std::uint32_t *const distribution = m.words.data();
    std::uint32_t *const counts = distribution + n;
    m.total += m.update_cycle;
    if (m.total > kSymbolCountMax) {
        m.total = 0;
        for (std::uint32_t k = 0; k < n; ++k) m.total += (counts[k] = (counts[k] + 1) >> 1);
    }
    const std::uint32_t scale = 0x80000000u / m.total;
    std::uint32_t sum = 0;
    if (m.table_size == 0) {
        for (std::uint32_t k = 0; k < n; ++k) {
            distribution[k] = (scale * sum) >> (31 - kSymbolLengthShift);
            sum += counts[k];
        }
    } else {
        // table[j]: the last symbol whose cumulative start falls below the
        // j-th slice of the interval.
        std::uint32_t *const table = counts + n;
        std::uint32_t s = 0;
        for (std::uint32_t k = 0; k < n; ++k) {
            distribution[k] = (scale * sum) >> (31 - kSymbolLengthShift);
            sum += counts[k];
            const std::uint32_t w = distribution[k] >> m.table_shift;
            while (s < w) table[++s] = k - 1;
        }
        table[0] = 0;
        while (s <= m.table_size) table[++s] = n - 1;
    }
    m.update_cycle = std::min((5 * m.update_cycle) >> 2, (n + 6) << 3);
    m.until_update = m.update_cycle;
}

}  // namespace pointsieve::laz
