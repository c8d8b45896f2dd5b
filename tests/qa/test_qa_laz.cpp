// Pointsieve-qa on LAZ tiles: each gives the row, statistics file and digest
// of its LAS twin (built here from the decoder's records, which the
// decoder's own tests hold to the twins' digests); LAZ that is broken, cut
// short or of a layout not read is refused with its reason.
#include <cstring>

#include "chunk_decoder.hpp"
#include "laz_file.hpp"
#include "qa_outputs.hpp"
#include "test_support.hpp"

using namespace testing_support;
using namespace qa_outputs;

namespace {

// The LAS twin of a LAZ file of LAS 1.0 to 1.3: its header with the
// compression bits cleared, its VLRs but the laszip one, and the records.
Bytes las_twin(const Bytes &laz) {
    pointsieve::laz::LazFile f;
    std::string problem;
    if (!pointsieve::laz::read_laz_file(laz.data(), laz.size(), f, problem)) return {};
    const auto u16 = [&](std::size_t at) { return static_cast<std::size_t>(laz[at] | laz[at + 1] << 8); };
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::size_t>(laz[at] | laz[at + 1] << 8 | laz[at + 2] << 16 | std::size_t{laz[at + 3]} << 24);
    };
    const std::size_t header = u16(94);
    Bytes out(laz.begin(), laz.begin() + static_cast<std::ptrdiff_t>(header));
    out[104] &= 0x3F;
    std::uint32_t kept = 0;
    for (std::size_t k = 0, at = header; k < u32(100); ++k) {
        const std::size_t length = 54 + u16(at + 20);
        if (std::memcmp(&laz[at + 2], "laszip encoded", 14) != 0) {
            out.insert(out.end(), laz.begin() + static_cast<std::ptrdiff_t>(at),
                       laz.begin() + static_cast<std::ptrdiff_t>(at + length));
            ++kept;
        }
        at += length;
    }
    const std::uint32_t offset = static_cast<std::uint32_t>(out.size());
    for (int b = 0; b < 4; ++b) out[96 + b] = static_cast<unsigned char>(offset >> (8 * b)), out[100 + b] = static_cast<unsigned char>(kept >> (8 * b));
    for (const pointsieve::laz::LazChunk &c : f.chunks) {
        Bytes records(c.points * f.record_length);
        if (!pointsieve::laz::decode_chunk(f.vlr, &laz[c.offset], c.bytes, c.points, records.data(), problem)) return {};
        out.insert(out.end(), records.begin(), records.end());
    }
    return out;
}

}  // namespace

TEST(AuditLaz, TilesReadAsTheirLasTwinsOrRefusedWithTheirReason) {
    struct Case {
        const char *file;
        const char *reason;  // nullptr: read, and equal to its twin
        std::size_t cut = 0;  // bytes kept; 0: all
    } cases[] = {
        {"f0_v12.laz", nullptr},
        {"f1_v12.laz", nullptr},
        {"f2_v12.laz", nullptr},
        {"f3_v12.laz", nullptr},
        {"f3_v12_chunk700.laz", nullptr},  // a partial last chunk
        {"eb1.laz", nullptr},              // extra bytes
        {"simple-laszip-compressor-version-1.2r0.laz", nullptr},  // one stream, items of version 1
        {"f1_v12.laz", "LAZ: LASzip's chunk table is missing (the file may be cut short)", 12000},
        {"broken_coder.laz", "LAZ: the laszip VLR's coder"},
        {"broken_type.laz", "LAZ: the laszip VLR's item 2 (type 22)"},
    };
    TempDir tmp;
    std::vector<std::string> args = {"-d", "-j", "2", "-o", "out"};
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const std::string data = TEST_DATA_DIR "/laz/";
        Bytes laz = read_file(data + cases[k].file);
        if (cases[k].cut) laz.resize(cases[k].cut);
        std::string name = std::to_string(k);
        name += '_';
        name += cases[k].file;
        write_file(tmp.file(name), laz);
        args.push_back(name);
        if (cases[k].reason) continue;
        const Bytes twin = las_twin(laz);
        ASSERT_FALSE(twin.empty()) << cases[k].file;
        write_file(tmp.file(name + ".las"), twin);
        args.push_back(name + ".las");
    }
    const RunResult r = qa(args, tmp.path());
    ASSERT_TRUE(r.status == 0 || r.status == 1) << r.out;
    const std::vector<Row> rows = read_csv(tmp.file("out/tiles.csv"));
    std::size_t at = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        ASSERT_LT(at, rows.size());
        Row laz = rows[at++];
        if (c.reason) {
            EXPECT_EQ(laz["status"], "refused");
            EXPECT_EQ(laz["reason"].rfind(c.reason, 0), 0u) << laz["reason"];
            continue;
        }
        ASSERT_LT(at, rows.size());
        Row las = rows[at++];
        EXPECT_EQ(laz["status"], "ok") << laz["reason"];
        EXPECT_EQ(laz["compression"], "laz");
        EXPECT_EQ(las["compression"], "");
        EXPECT_TRUE(same_bytes(read_file(tmp.file("out/" + laz["stats"])), read_file(tmp.file("out/" + las["stats"]))));
        for (const char *column : {"tile", "stats", "compression", "file_bytes"}) laz.erase(column), las.erase(column);
        EXPECT_EQ(laz, las);
    }
}
