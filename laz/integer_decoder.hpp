// The integer decompressor of the LAZ format: a number is predicted, and
// the corrector to the prediction is coded as its size k in bits (one
// symbol model per context) and then its value within that size (one model
// per k, the bits beyond bits_high raw).
#pragma once

#include <cstdint>
#include <vector>

#include "range_decoder.hpp"

namespace pointsieve::laz {

struct IntegerDecoder {
    std::uint32_t bits = 0;       // of the numbers, 1 to 32
    std::uint32_t contexts = 0;   // of the k models
    std::uint32_t bits_high = 8;  // the most bits of a corrector modelled
    std::uint32_t corr_bits = 0, corr_range = 0;
    std::int32_t corr_min = 0;
    std::vector<SymbolModel> k_models;          // one a context
    BitModel zero_or_one;                       // the corrector when k is 0
    std::vector<SymbolModel> corrector_models;  // index k, 1 to corr_bits
    // Which models were reset in this chunk (contexts, then corr_bits + 1):
    // a model is reset when first used, so that an unused one costs nothing.
    std::vector<unsigned char> ready;
    std::uint32_t k = 0;  // of the last corrector
};

// Sizes d for numbers of `bits` bits in `contexts` contexts.
void setup_integer_decoder(IntegerDecoder &d, std::uint32_t bits, std::uint32_t contexts);

// Every model back to its starting state, at the start of a chunk.
void reset_integer_decoder(IntegerDecoder &d);

// The first use in a chunk of a model of k.
void ready_k_model(IntegerDecoder &d, std::uint32_t context);
void ready_corrector_model(IntegerDecoder &d, std::uint32_t k);

inline std::int32_t decode_corrector(RangeDecoder &r, IntegerDecoder &d, std::uint32_t context) {
    if (!d.ready[context]) ready_k_model(d, context);
    const std::uint32_t k = d.k = decode_symbol(r, d.k_models[context]);
    if (k == 0) return static_cast<std::int32_t>(decode_bit(r, d.zero_or_one));
    if (k >= 32) return d.corr_min;
    if (!d.ready[d.contexts + k]) ready_corrector_model(d, k);
    std::uint32_t c = decode_symbol(r, d.corrector_models[k]);
    if (k > d.bits_high) {
        const std::uint32_t low = k - d.bits_high;
        c = (c << low) | read_bits(r, low);
    }
    // c in [0, 2^k): the upper half stands for 2^(k-1) + 1 to 2^k, the lower
    // half for -(2^k - 1) to -2^(k-1).
    if (c >= (1u << (k - 1))) return static_cast<std::int32_t>(c + 1);
    return static_cast<std::int32_t>(c - ((1u << k) - 1));
}

// The number predicted as `predicted`, in `context`; wraps within bits.
inline std::int32_t decode_integer(RangeDecoder &r, IntegerDecoder &d, std::int32_t predicted,
                                   std::uint32_t context) {
    const std::uint32_t corrector = static_cast<std::uint32_t>(decode_corrector(r, d, context));
    std::uint32_t real = static_cast<std::uint32_t>(predicted) + corrector;
    if (static_cast<std::int32_t>(real) < 0) real += d.corr_range;
    else if (real >= d.corr_range) real -= d.corr_range;
    return static_cast<std::int32_t>(real);
}

}  // namespace pointsieve::laz
