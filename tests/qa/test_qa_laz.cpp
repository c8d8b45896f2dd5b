// Pointsieve-qa on LAZ tiles: each gives the row, statistics file and digest
// of its LAS twin (built here from the decoder's records, which the
// decoder's own tests hold to the twins' digests); LAZ that is broken or of
// a layout not read is refused with its reason, and LAZ cut short gives the
// whole chunks before the cut.
#include <cstring>
#include <filesystem>

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

// "K of N records": the points of the chunks wholly before `cut`.
std::string whole_chunks_before(const Bytes &laz, std::size_t cut) {
    pointsieve::laz::LazFile f;
    std::string problem;
    if (!pointsieve::laz::read_laz_file(laz.data(), laz.size(), f, problem)) return problem;
    std::uint64_t points = 0;
    for (const pointsieve::laz::LazChunk &c : f.chunks)
        if (c.offset + c.bytes <= cut) points += c.points;
    return std::to_string(points) + " of " + std::to_string(f.points) + " records: the file ends ";
}

}  // namespace

TEST(AuditLaz, TilesReadAsTheirLasTwinsOrRefusedWithTheirReason) {
    struct Case {
        const char *file;
        const char *reason;  // nullptr: read, and equal to its twin
        std::size_t cut = 0;  // bytes kept; 0: all (a cut gives the whole chunks before it)
    } cases[] = {
        {"f0_v12.laz", nullptr},
        {"f1_v12.laz", nullptr},
        {"f2_v12.laz", nullptr},
        {"f3_v12.laz", nullptr},
        {"f3_v12_chunk700.laz", nullptr},  // a partial last chunk
        {"eb1.laz", nullptr},              // extra bytes
        {"simple-laszip-compressor-version-1.2r0.laz", nullptr},  // one stream, items of version 1
        {"f1_v12.laz", "", 12000},
        {"f7_v14_chunk700.laz", "", 25000},  // chunks in layers
        {"f1_v12.laz", "", 0},               // cut where chunk 3 begins: filled in below
        {"broken_coder.laz", "LAZ: the laszip VLR's coder"},
        {"broken_type.laz", "LAZ: the laszip VLR's item 2 (type 22)"},
    };
    TempDir tmp;
    std::vector<std::string> args = {"-d", "-j", "2", "-o", "out"};
    std::vector<std::string> cut_reasons(std::size(cases));
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const std::string data = TEST_DATA_DIR "/laz/";
        Bytes laz = read_file(data + cases[k].file);
        if (cases[k].reason && !*cases[k].reason) {
            pointsieve::laz::LazFile f;
            std::string problem;
            ASSERT_TRUE(pointsieve::laz::read_laz_file(laz.data(), laz.size(), f, problem)) << problem;
            if (!cases[k].cut) cases[k].cut = f.chunks[2].offset;
            cut_reasons[k] = whole_chunks_before(laz, cases[k].cut);
        }
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
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        const Case &c = cases[k];
        SCOPED_TRACE(c.file);
        ASSERT_LT(at, rows.size());
        Row laz = rows[at++];
        if (c.reason) {
            const bool cut = !*c.reason;
            EXPECT_EQ(laz["status"], cut ? "truncated" : "refused");
            EXPECT_EQ(laz["reason"].rfind(cut ? cut_reasons[k] : c.reason, 0), 0u) << laz["reason"];
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

// A delivery in LAZ is judged as the same delivery in LAS: the same rows
// but for the file's name, size and compression, the same verdicts and
// archive statistics, for -j 1, -j 2 and three shards combined; and one
// tile alone, its chunks decoded on three threads, as in the delivery.
TEST(AuditLaz, ADeliveryInLazIsJudgedAsInLas) {
    const char *const files[] = {"f0_v12.laz", "f1_v12.laz", "f2_v12.laz",         "f3_v12.laz",
                                 "f3_v12_chunk700.laz", "eb1.laz", "f4_v13.laz", "f6_v14.laz",
                                 "f7_v14_chunk700.laz", "f10_v14.laz", "eb6.laz",
                                 "simple-laszip-compressor-version-1.2r0.laz"};
    TempDir tmp;
    std::filesystem::create_directories(tmp.file("laz"));
    std::filesystem::create_directories(tmp.file("las"));
    for (std::size_t k = 0; k < std::size(files); ++k) {
        const Bytes laz = read_file(TEST_DATA_DIR "/laz/" + std::string(files[k]));
        const std::string name = "t" + std::to_string(10 + k);
        write_file(tmp.file("laz/" + name + ".laz"), laz);
        const Bytes twin = las_twin(laz);
        ASSERT_FALSE(twin.empty()) << files[k];
        write_file(tmp.file("las/" + name + ".las"), twin);
    }
    // The LAS run's text with the LAZ run's names.
    const auto as_laz = [](std::string text) {
        for (std::size_t at; (at = text.find("las/")) != std::string::npos;) text.replace(at, 4, "laz/");
        for (std::size_t at; (at = text.find(".las")) != std::string::npos;) text.replace(at, 4, ".laz");
        return text;
    };
    const auto run = [&](const std::string &in, const std::string &out, std::vector<std::string> args) {
        args.insert(args.end(), {"-d", "-o", out, in});
        const RunResult r = qa(args, tmp.path());
        EXPECT_TRUE(r.status == 0 || r.status == 1) << r.out;
    };
    run("las", "las_out", {"-j", "1"});
    const std::string verdicts = as_laz(read_text(tmp.file("las_out/verdicts.tsv")));
    const Bytes archive = read_file(tmp.file("las_out/archive_stats.asc"));
    std::vector<Row> rows = read_csv(tmp.file("las_out/tiles.csv"));
    ASSERT_EQ(rows.size(), std::size(files));
    for (Row &row : rows)
        for (const char *column : {"tile", "stats", "compression", "file_bytes"}) row.erase(column);

    std::vector<std::string> combine = {"--combine", "-o", "combined"};
    for (int k = 1; k <= 3; ++k) {
        combine.push_back("shard_" + std::to_string(k));
        run("laz", combine.back(), {"--shard", std::to_string(k) + "/3"});
    }
    run("laz", "j1", {"-j", "1"});
    run("laz", "j2", {"-j", "2"});
    ASSERT_TRUE(qa(combine, tmp.path()).status <= 1);
    for (const char *out : {"j1", "j2", "combined"}) {
        SCOPED_TRACE(out);
        const std::string dir = tmp.file(out);
        EXPECT_EQ(read_text(dir + "/verdicts.tsv"), verdicts);
        EXPECT_TRUE(same_bytes(read_file(dir + "/archive_stats.asc"), archive));
        std::vector<Row> got = read_csv(dir + "/tiles.csv");
        ASSERT_EQ(got.size(), rows.size());
        for (std::size_t k = 0; k < got.size(); ++k) {
            EXPECT_EQ(got[k]["compression"], "laz");
            for (const char *column : {"tile", "stats", "compression", "file_bytes"}) got[k].erase(column);
            EXPECT_EQ(got[k], rows[k]) << files[k];
        }
    }
    run("laz/t14.laz", "alone", {"-j", "3"});
    const Row alone = read_csv(tmp.file("alone/tiles.csv")).at(0), in_delivery = read_csv(tmp.file("j1/tiles.csv")).at(4);
    EXPECT_EQ(alone.at("digest"), in_delivery.at("digest"));
    EXPECT_TRUE(same_bytes(read_file(tmp.file("alone/" + alone.at("stats"))), read_file(tmp.file("j1/" + in_delivery.at("stats")))));
}
