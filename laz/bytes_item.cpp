// BYTE, the extra bytes after a record's standard fields, in version 2:
// each byte coded as its step from the same byte of the last record, one
// model a byte.
#include <algorithm>
#include <cstring>

#include "point_items.hpp"

namespace pointsieve::laz {

void setup_bytes(BytesDecoder &b, std::uint16_t version, std::size_t size) {
    b.version = version;
    b.last.assign(size, 0);
    b.models.clear();
    b.ready.assign(size, 0);
    // Version 1: one context a byte.
    if (version == 1) setup_integer_decoder(b.bytes_v1, 8, static_cast<std::uint32_t>(size));
}

void start_bytes(BytesDecoder &b, const unsigned char *first) {
    std::memcpy(b.last.data(), first, b.last.size());
    std::fill(b.ready.begin(), b.ready.end(), 0);
    if (b.version == 1) reset_integer_decoder(b.bytes_v1);
}

void decode_bytes_v2(BytesDecoder &b, RangeDecoder &r, unsigned char *out) {
    const std::size_t n = b.last.size();
    for (std::size_t k = 0; k < n; ++k) {
        // The models are made as the bytes are reached, so that a record of
        // thousands of extra bytes costs memory only as its data is read.
        if (!b.ready[k]) {
            if (k >= b.models.size()) b.models.resize(k + 1);
            reset_symbol_model(b.models[k], 256);
            b.ready[k] = 1;
        }
        b.last[k] = static_cast<unsigned char>(b.last[k] + decode_symbol(r, b.models[k]));
        if (r.overrun) break;
    }
    std::memcpy(out, b.last.data(), n);
}

}  // namespace pointsieve::laz
