// The LAZ records as the format reader hands them out: the same records
// in the same order however the chunks are decoded (one at a time, several
// at once on threads, a block at a time), after a restart, and when the
// chunk table is lost and each chunk is found where the one before ended.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "point_blocks.hpp"
#include "test_support.hpp"
#include "vlrs.hpp"

namespace laz_blocks_test {

using namespace pointsieve::formats;
using testing_support::Bytes;

struct Way {
    unsigned threads;
    std::uint64_t most_whole_chunk;  // 0: the reader's own
    std::uint64_t restart;           // 0: none
};

// Every record handed out the given way, or the refusal.
Bytes records_of(const std::string &path, const Way &way, std::string &problem) {
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    const Bytes bytes = testing_support::read_file(path);
    const HeaderReading h = read_las_header(bytes.data(), bytes.size());
    const VlrReading vlrs = read_vlrs(f, h.header, bytes.size());
    PointBlocks b;
    b.most_threads = way.threads;
    if (way.most_whole_chunk) b.most_whole_chunk = way.most_whole_chunk;
    Bytes out;
    if (start_laz_blocks(b, f, h, vlrs.records, bytes.size(), problem)) {
        for (int pass = 0; pass < (way.restart ? 2 : 1); ++pass) {
            if (pass == 1) {
                out.clear();
                EXPECT_TRUE(restart_point_blocks(b, way.restart));
            }
            const unsigned char *records = nullptr;
            for (std::size_t n; (n = next_point_block(b, records)) > 0;)
                out.insert(out.end(), records, records + n * b.record_length);
        }
        EXPECT_FALSE(b.failed);
        EXPECT_EQ(b.damage, "");
    }
    std::fclose(f);
    return out;
}

TEST(LazBlocks, TheSameRecordsHoweverTheChunksAreDecoded) {
    testing_support::TempDir tmp;
    for (const char *file : {"f3_v12_chunk700.laz", "f7_v14_chunk700.laz", "f10_v14.laz",
                             "simple-laszip-compressor-version-1.2r0.laz"}) {
        SCOPED_TRACE(file);
        const std::string path = TEST_DATA_DIR "/laz/" + std::string(file);
        std::string problem;
        const Bytes once = records_of(path, {1, 0, 0}, problem);
        ASSERT_FALSE(once.empty()) << problem;
        const Bytes file_bytes = testing_support::read_file(path);
        const std::size_t length = file_bytes[105] | file_bytes[106] << 8;
        for (const Way &way : {Way{3, 0, 0}, Way{2, 1, 0}, Way{4, 0, 1000}, Way{2, 1, 999}}) {
            SCOPED_TRACE(std::to_string(way.threads) + " threads");
            const Bytes got = records_of(path, way, problem);
            const std::size_t want = way.restart ? way.restart * length : once.size();
            EXPECT_TRUE(got.size() == want && std::equal(got.begin(), got.end(), once.begin()));
        }
        // The table lost: its offset points nowhere. A file of one stream
        // has none.
        Bytes lost = file_bytes;
        const std::size_t point_offset = lost[96] | lost[97] << 8 | lost[98] << 16 | std::size_t{lost[99]} << 24;
        if (std::string(file).find("simple") != std::string::npos) continue;
        for (std::size_t k = 0; k < 8; ++k) lost[point_offset + k] = 0x7F;
        testing_support::write_file(tmp.file("lost.laz"), lost);
        for (const Way &way : {Way{1, 0, 0}, Way{3, 0, 1000}})
            EXPECT_EQ(records_of(tmp.file("lost.laz"), way, problem),
                      Bytes(once.begin(), once.begin() + static_cast<std::ptrdiff_t>(way.restart ? way.restart * length : once.size())));
    }
}

}  // namespace laz_blocks_test
