// Numbers through the integer decompressor, from the tests' own encoder.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "integer_decoder.hpp"
#include "laz_test_encoder.hpp"

namespace laz_integers_test {

using namespace pointsieve::laz;
using Bytes = std::vector<unsigned char>;

// Numbers of 8, 16 and 32 bits in three contexts, near their predictions
// and far from them, come back from the integer decompressor as the
// encoder wrote them, without a read past its bytes.
TEST(LazIntegers, IntegersComeBackAsWritten) {
    std::mt19937 random(7);
    for (const std::uint32_t bits : {8u, 16u, 32u}) {
        SCOPED_TRACE(bits);
        IntegerDecoder written, read;
        setup_integer_decoder(written, bits, 3);
        setup_integer_decoder(read, bits, 3);
        reset_integer_decoder(written);
        reset_integer_decoder(read);
        const std::uint32_t mask = bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
        std::vector<std::int32_t> predicted, real;
        laz_test_encoder::RangeEncoder enc;
        for (int k = 0; k < 20000; ++k) {
            const std::uint32_t p = random() & mask;
            const std::uint32_t step = k % 3 == 0 ? random() : random() % (1u << (k % 17));
            predicted.push_back(static_cast<std::int32_t>(p));
            real.push_back(static_cast<std::int32_t>((p + step) & mask));
            laz_test_encoder::encode_integer(enc, written, predicted.back(), real.back(), k % 3);
        }
        const Bytes bytes = laz_test_encoder::finish(enc);
        RangeDecoder r;
        start_range_decoder(r, bytes.data(), bytes.size());
        for (int k = 0; k < 20000; ++k)
            ASSERT_EQ(decode_integer(r, read, predicted[k], k % 3), real[k]) << "number " << k;
        EXPECT_FALSE(r.overrun || r.corrupt);
    }
}

}  // namespace laz_integers_test
