// WAVEPACKET13, the wave packet descriptor of point formats 4 and 5 (and,
// one state a scanner channel, WAVEPACKET14 of formats 9 and 10). The
// index is coded alone; the offset of the waveform data as one of four
// kinds (the last offset, the last offset plus the last packet's size, a
// 32-bit step from the last offset, or 64 raw bits), the kind predicted by
// the last one; the size, return point location and x, y, z as numbers
// predicted by the last record's.
#include <cstring>

#include "laz_endian.hpp"
#include "point_items.hpp"

namespace pointsieve::laz {

namespace {

constexpr std::size_t kOffset = 1, kSize = 9, kReturnPoint = 13, kXyz = 17;

std::int32_t last_i32(const WavePacketDecoder &w, std::size_t at) { return load_le<std::int32_t>(w.last.data() + at); }

}  // namespace

void setup_wavepacket(WavePacketDecoder &w) {
    setup_integer_decoder(w.offset_step, 32, 1);
    setup_integer_decoder(w.packet_size, 32, 1);
    setup_integer_decoder(w.return_point, 32, 1);
    setup_integer_decoder(w.xyz, 32, 3);
}

void start_wavepacket(WavePacketDecoder &w, const unsigned char *first) {
    std::memcpy(w.last.data(), first, w.last.size());
    w.last_offset_kind = 0;
    w.last_offset_step = 0;
    reset_symbol_model(w.index, 256);
    for (SymbolModel &m : w.offset_kind) reset_symbol_model(m, 4);
    for (IntegerDecoder *d : {&w.offset_step, &w.packet_size, &w.return_point, &w.xyz}) reset_integer_decoder(*d);
}

void decode_wavepacket(WavePacketDecoder &w, RangeDecoder &r, unsigned char *out) {
    unsigned char *last = w.last.data();
    last[0] = static_cast<unsigned char>(decode_symbol(r, w.index));
    std::uint64_t offset = load_le<std::uint64_t>(last + kOffset);
    const std::uint32_t size = load_le<std::uint32_t>(last + kSize);
    w.last_offset_kind = decode_symbol(r, w.offset_kind[w.last_offset_kind]);
    switch (w.last_offset_kind) {
    case 0: break;
    case 1: offset += size; break;
    case 2:
        w.last_offset_step = decode_integer(r, w.offset_step, w.last_offset_step, 0);
        offset += static_cast<std::uint64_t>(std::int64_t{w.last_offset_step});
        break;
    default: offset = read_u64(r); break;
    }
    store_le(last + kOffset, offset);
    store_le(last + kSize, decode_integer(r, w.packet_size, static_cast<std::int32_t>(size), 0));
    store_le(last + kReturnPoint, decode_integer(r, w.return_point, last_i32(w, kReturnPoint), 0));
    for (std::uint32_t k = 0; k < 3; ++k) {
        const std::size_t at = kXyz + 4 * k;
        store_le(last + at, decode_integer(r, w.xyz, last_i32(w, at), k));
    }
    std::memcpy(out, last, w.last.size());
}

}  // namespace pointsieve::laz
