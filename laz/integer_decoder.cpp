// Sizing and resetting the integer decompressor's models.
#include "integer_decoder.hpp"

#include <algorithm>

namespace pointsieve::laz {

void setup_integer_decoder(IntegerDecoder &d, std::uint32_t bits, std::uint32_t contexts) {
    d.bits = bits;
    d.contexts = contexts;
    d.bits_high = 8;
    if (bits > 0 && bits < 32) {
        d.corr_bits = bits;
        d.corr_range = 1u << bits;
        d.corr_min = -static_cast<std::int32_t>(d.corr_range / 2);
    } else {
        d.corr_bits = 32;
        d.corr_range = 0;
        d.corr_min = INT32_MIN;
    }
    d.k_models.resize(contexts);
    d.corrector_models.resize(d.corr_bits + 1);
    d.ready.assign(contexts + d.corr_bits + 1, 0);
    d.k = 0;
}

void reset_integer_decoder(IntegerDecoder &d) {
    std::fill(d.ready.begin(), d.ready.end(), 0);
    reset_bit_model(d.zero_or_one);
    d.k = 0;
}

void ready_k_model(IntegerDecoder &d, std::uint32_t context) {
    reset_symbol_model(d.k_models[context], d.corr_bits + 1);
    d.ready[context] = 1;
}

void ready_corrector_model(IntegerDecoder &d, std::uint32_t k) {
    reset_symbol_model(d.corrector_models[k], 1u << std::min(k, d.bits_high));
    d.ready[d.contexts + k] = 1;
}

}  // namespace pointsieve::laz
