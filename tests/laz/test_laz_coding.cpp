// Wave packet descriptors through their decoder (the test files' own never
// change), from the tests' own encoder.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "integer_decoder.hpp"
#include "laz_endian.hpp"
#include "laz_test_encoder.hpp"
#include "point_items.hpp"

namespace laz_coding_test {

using namespace pointsieve::laz;
using Bytes = std::vector<unsigned char>;

// Descriptors whose offsets take each of the four kinds (the same, just
// after the last packet, a 32-bit step, anywhere) come back as written.
TEST(LazCoding, WavePacketsComeBackAsWritten) {
    std::mt19937 random(11);
    using Packet = std::array<unsigned char, 29>;
    std::vector<Packet> packets(600);
    for (std::size_t k = 0; k < packets.size(); ++k) {
        Packet &p = packets[k];
        const Packet before = k ? packets[k - 1] : Packet{};
        const std::uint64_t last = load_le<std::uint64_t>(before.data() + 1);
        const std::uint32_t size = load_le<std::uint32_t>(before.data() + 9);
        const std::uint64_t offsets[4] = {last, last + size, last - 1000 + random() % 5000,
                                          std::uint64_t{random()} << 32 | random()};
        p[0] = static_cast<unsigned char>(random() % 3);
        store_le(p.data() + 1, offsets[random() % 4]);
        store_le(p.data() + 9, static_cast<std::uint32_t>(k % 7 ? size : random() % 100000));
        for (std::size_t at = 13; at < 29; at += 4)
            store_le(p.data() + at,
                     load_le<std::int32_t>(before.data() + at) + static_cast<std::int32_t>(random() % 2001) - 1000);
    }
    WavePacketDecoder written, read;
    setup_wavepacket(written);
    setup_wavepacket(read);
    start_wavepacket(written, packets[0].data());
    laz_test_encoder::RangeEncoder enc;
    for (std::size_t k = 1; k < packets.size(); ++k) {
        const unsigned char *p = packets[k].data(), *last = written.last.data();
        laz_test_encoder::encode_symbol(enc, written.index, p[0]);
        const auto step = static_cast<std::int64_t>(load_le<std::uint64_t>(p + 1) - load_le<std::uint64_t>(last + 1));
        const auto step32 = static_cast<std::int32_t>(step);
        const std::uint32_t kind = step != step32 ? 3 : step == 0 ? 0 : step == load_le<std::int32_t>(last + 9) ? 1 : 2;
        laz_test_encoder::encode_symbol(enc, written.offset_kind[written.last_offset_kind], kind);
        written.last_offset_kind = kind;
        if (kind == 2) {
            laz_test_encoder::encode_integer(enc, written.offset_step, written.last_offset_step, step32, 0);
            written.last_offset_step = step32;
        }
        if (kind == 3) {
            laz_test_encoder::write_bits(enc, 32, load_le<std::uint32_t>(p + 1));
            laz_test_encoder::write_bits(enc, 32, load_le<std::uint32_t>(p + 5));
        }
        laz_test_encoder::encode_integer(enc, written.packet_size, load_le<std::int32_t>(last + 9),
                                         load_le<std::int32_t>(p + 9), 0);
        laz_test_encoder::encode_integer(enc, written.return_point, load_le<std::int32_t>(last + 13),
                                         load_le<std::int32_t>(p + 13), 0);
        for (std::uint32_t c = 0; c < 3; ++c)
            laz_test_encoder::encode_integer(enc, written.xyz, load_le<std::int32_t>(last + 17 + 4 * c),
                                             load_le<std::int32_t>(p + 17 + 4 * c), c);
        std::memcpy(written.last.data(), p, 29);
    }
    const Bytes bytes = laz_test_encoder::finish(enc);
    RangeDecoder r;
    start_range_decoder(r, bytes.data(), bytes.size());
    start_wavepacket(read, packets[0].data());
    Packet out{};
    for (std::size_t k = 1; k < packets.size(); ++k) {
        decode_wavepacket(read, r, out.data());
        ASSERT_EQ(out, packets[k]) << "descriptor " << k;
    }
    EXPECT_FALSE(r.overrun || r.corrupt);
}

}  // namespace laz_coding_test
