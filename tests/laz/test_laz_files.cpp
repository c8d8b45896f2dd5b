// LAZ files decoded chunk by chunk against the point records of their LAS
// twins, point by point (formats 0 to 5) and in layers (6 to 10); broken
// laszip VLRs, chunk tables and layered chunks refused with their reason;
// files cut short or damaged, which give the whole chunks they still hold
// and never crash; layers left undecoded; and a chunk table of variable
// chunks.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "chunk_decoder.hpp"
#include "laz_file.hpp"
#include "laz_test_encoder.hpp"
#include "test_support.hpp"

namespace laz_files_test {

using namespace pointsieve::laz;
using testing_support::Bytes;

// One file of tests/data/laz, whole or with `width` bytes at `at` set to
// `value` (little-endian). A file read without a problem has `points`
// points whose records digest to `digest` (its colours, NIR and wave
// packets left undecoded, the rest the same); one refused says `refusal`.
struct Expectation {
    const char *file;
    std::uint64_t points;
    std::uint64_t digest;
    const char *refusal = nullptr;
    std::size_t at = 0;
    std::uint64_t value = 0;
    int width = 0;
};

// The digests are FNV-1a (64 bits) of the point records of each file's LAS
// twin (LASzip's source of it: points x record length bytes from its offset
// to point data), computed when the files were added; f3_v12_chunk700's
// twin is f3_v12.las, f7_v14_chunk700's f7_v14.las,
// simple-laszip-compressor-version-1.2r0's (items of version 1, in one
// stream) simple.las. The patches are at the fields of f1_v12.laz (its
// laszip VLR's header at 313 and payload at 367, its points at 413, its
// chunk table at 18890) and of f6_v14.laz (its first item's type at 940,
// its first chunk's count of points at 984 and first layer's size at 988).
const Expectation kFiles[] = {
    {"f0_v12.laz", 3000, 0x4fa36666dd9cd685},
    {"f1_v12.laz", 3000, 0xfda2a0f1d8bc0e81},
    {"f2_v12.laz", 3000, 0xca8b2165f2beb08a},
    {"f3_v12.laz", 3000, 0x1da2cab18d3792de},
    {"eb1.laz", 3000, 0x6eba20e91205fd45},
    {"f3_v12_chunk700.laz", 3000, 0x1da2cab18d3792de},
    {"f4_v13.laz", 3000, 0x127f964ec20d46ec},
    {"f6_v14.laz", 3000, 0x46110c091f195be7},
    {"f10_v14.laz", 3000, 0x674326f8e76bbb05},
    {"eb6.laz", 3000, 0x08e377c2afea8330},
    {"f7_v14_chunk700.laz", 3000, 0xac8363345f035fae},
    {"simple-laszip-compressor-version-1.2r0.laz", 1065, 0xac5ceed2077b659c},
    {"broken_coder.laz", 0, 0, "coder 15 is not the arithmetic coder"},
    {"broken_compressor.laz", 0, 0, "compressor 16 is not one of"},
    {"broken_size.laz", 0, 0, "(POINT10) has version 6"},
    {"broken_type.laz", 0, 0, "(type 22) is not an item of the LAZ format"},
    {"broken_version.laz", 0, 0, "(POINT10) has version 6"},
    {"f1_v12.laz", 0, 0, "chunk size of 0", 379, 0, 4},
    {"f1_v12.laz", 0, 0, "(POINT10) has a size of 19 bytes, not 20", 403, 19, 2},
    {"f1_v12.laz", 0, 0, "(GPSTIME11) has version 0, which is for points not compressed", 411, 0, 2},
    {"f1_v12.laz", 0, 0, "lists 2 items in 45 bytes", 333, 45, 2},
    {"f1_v12.laz", 0, 0, "record length, 29, is not the 28 bytes", 105, 29, 2},
    {"f1_v12.laz", 0, 0, "the header's 4000 points make 4 chunks of 1000", 107, 4000, 4},
    {"f1_v12.laz", 0, 0, "chunk table is missing", 413, 999999, 8},
    {"f1_v12.laz", 0, 0, "chunk table has version 1", 18890, 1, 4},
    {"f1_v12.laz", 0, 0, "lists 100000 chunks, more than the", 18894, 100000, 4},
    {"f6_v14.laz", 0, 0, "the first of the LAZ items compressed in layers is BYTE14", 940, 14, 2},
    {"f6_v14.laz", 0, 0, "count of 0 points is not one", 984, 0, 4},
    {"f6_v14.laz", 0, 0, "holds 999 points, fewer than the 1000 asked for", 984, 999, 4},
    {"f6_v14.laz", 0, 0, "bytes end before its layers'", 988, 0x7FFFFFFF, 4},
    {"f6_v14.laz", 0, 0, "count of 1000 points is not one its 0 bytes", 988, 0, 4},
};

std::uint64_t fnv1a(const Bytes &b) {
    std::uint64_t h = 0xcbf29ce484222325u;
    for (unsigned char c : b) h = (h ^ c) * 0x100000001b3u;
    return h;
}

Bytes file_of(const Expectation &e) {
    Bytes b = testing_support::read_file(testing_support::data_file(std::string("laz/") + e.file));
    for (int k = 0; k < e.width; ++k) b.at(e.at + k) = static_cast<unsigned char>(e.value >> (8 * k));
    return b;
}

// The records of one chunk, decoded from exactly `available` of its bytes
// (a copy, so that a read past them is caught), `block` records a call.
bool decode_one(LazChunkDecoder &d, const Bytes &file, const LazChunk &c, std::uint64_t available, Bytes &records,
                std::string &problem, std::uint64_t block = 256) {
    const Bytes bytes(file.begin() + static_cast<std::ptrdiff_t>(c.offset),
                      file.begin() + static_cast<std::ptrdiff_t>(c.offset + available));
    records.assign(c.points * d.record_length, 0);
    start_chunk(d, bytes.data(), bytes.size());
    for (std::uint64_t done = 0; done < c.points; done += block)
        if (!decode_records(d, std::min(block, c.points - done), records.data() + done * d.record_length, problem))
            return false;
    return true;
}

TEST(LazFiles, EveryChunkDecodesToTheTwinsRecordsOrTheFileIsRefused) {
    for (const Expectation &e : kFiles) {
        SCOPED_TRACE(std::string(e.file) + (e.width ? " patched at " + std::to_string(e.at) : ""));
        const Bytes file = file_of(e);
        LazFile f;
        std::string problem;
        const bool read = read_laz_file(file.data(), file.size(), f, problem);
        LazChunkDecoder d;
        if (e.refusal) {
            // Refused as the file is read, or as a chunk is decoded.
            bool decoded = read && setup_chunk_decoder(d, f.vlr, problem);
            Bytes records;
            for (std::size_t k = 0; decoded && k < f.chunks.size(); ++k)
                decoded = decode_one(d, file, f.chunks[k], f.chunks[k].bytes, records, problem);
            EXPECT_FALSE(decoded);
            EXPECT_NE(problem.find(e.refusal), std::string::npos) << problem;
            continue;
        }
        ASSERT_TRUE(read) << problem;
        ASSERT_TRUE(setup_chunk_decoder(d, f.vlr, problem)) << problem;
        EXPECT_EQ(f.points, e.points);
        Bytes all, records;
        for (const LazChunk &c : f.chunks) {
            ASSERT_TRUE(decode_one(d, file, c, c.bytes, records, problem)) << problem;
            // Where a lost table's chunks are found: each ends where its
            // last record's bytes do (the stream of one has no end to find).
            if (f.vlr.compressor != LazCompressor::pointwise) {
                EXPECT_EQ(chunk_bytes_used(d), c.bytes);
            }
            all.insert(all.end(), records.begin(), records.end());
        }
        EXPECT_EQ(all.size(), e.points * f.record_length);
        EXPECT_EQ(fnv1a(all), e.digest);
        // The same chunk all at once, and a record at a time.
        Bytes whole(f.chunks[0].points * f.record_length);
        ASSERT_TRUE(decode_chunk(f.vlr, file.data() + f.chunks[0].offset, f.chunks[0].bytes, f.chunks[0].points,
                                 whole.data(), problem));
        ASSERT_TRUE(decode_one(d, file, f.chunks[0], f.chunks[0].bytes, records, problem, 1)) << problem;
        EXPECT_EQ(whole, records);
        EXPECT_TRUE(std::equal(whole.begin(), whole.end(), all.begin()));
        // The colours, NIR and wave packets left undecoded (in layered
        // chunks): each chunk's first values of them, every other byte exact.
        std::vector<bool> skipped(f.record_length);
        for (std::size_t k = 0, at = 0; k < f.vlr.items.size(); at += f.vlr.items[k++].size) {
            const LazItemType t = f.vlr.items[k].type;
            if (t == LazItemType::rgb14 || t == LazItemType::rgbnir14 || t == LazItemType::wavepacket14)
                std::fill_n(skipped.begin() + static_cast<std::ptrdiff_t>(at), f.vlr.items[k].size, true);
        }
        skip_fields(d, kSkipRgb | kSkipNir | kSkipWavePackets);
        for (std::size_t done = 0; const LazChunk &c : f.chunks) {
            ASSERT_TRUE(decode_one(d, file, c, c.bytes, records, problem)) << problem;
            Bytes expected(all.begin() + static_cast<std::ptrdiff_t>(done),
                           all.begin() + static_cast<std::ptrdiff_t>(done + records.size()));
            for (std::size_t k = 0; k < expected.size(); ++k)
                if (skipped[k % f.record_length]) expected[k] = expected[k % f.record_length];
            EXPECT_EQ(records, expected);
            done += records.size();
        }
    }
}

// Each file cut at a few places: the chunks before the cut decode whole,
// the chunk across it is refused with a reason (or, cut only in bytes its
// decoding never needs, decodes whole), and the file itself is refused for
// its missing chunk table (a file of one stream has none to miss).
TEST(LazFiles, ACutFileGivesTheWholeChunksBeforeTheCut) {
    for (const Expectation &e : kFiles) {
        if (e.refusal) continue;
        SCOPED_TRACE(e.file);
        const Bytes file = file_of(e);
        LazFile f;
        std::string problem;
        ASSERT_TRUE(read_laz_file(file.data(), file.size(), f, problem)) << problem;
        LazChunkDecoder d;
        ASSERT_TRUE(setup_chunk_decoder(d, f.vlr, problem));
        std::vector<Bytes> intact(f.chunks.size());
        for (std::size_t k = 0; k < f.chunks.size(); ++k)
            ASSERT_TRUE(decode_one(d, file, f.chunks[k], f.chunks[k].bytes, intact[k], problem));
        const LazChunk &last = f.chunks.back();
        for (const std::uint64_t cut : {f.point_offset + 4, f.point_offset + 8 + f.record_length + 2,
                                        f.chunks[0].offset + f.chunks[0].bytes / 2, std::uint64_t{file.size() / 2},
                                        last.offset + last.bytes - 1, last.offset + last.bytes + 3}) {
            if (cut >= file.size()) continue;
            SCOPED_TRACE("cut at " + std::to_string(cut));
            const Bytes cut_file(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
            LazFile g;
            problem.clear();
            if (read_laz_file(cut_file.data(), cut_file.size(), g, problem)) {
                EXPECT_EQ(g.vlr.compressor, LazCompressor::pointwise);
            } else {
                EXPECT_FALSE(problem.empty());
            }
            for (std::size_t k = 0; k < f.chunks.size(); ++k) {
                const LazChunk &c = f.chunks[k];
                if (c.offset >= cut) break;
                Bytes records;
                problem.clear();
                const std::uint64_t available = std::min(c.bytes, cut - c.offset);
                const bool whole = decode_one(d, file, c, available, records, problem);
                if (available == c.bytes || whole) {
                    EXPECT_TRUE(whole && records == intact[k]) << problem;
                } else {
                    EXPECT_NE(problem.find("end before"), std::string::npos) << problem;
                }
            }
        }
    }
}

// Bytes of the chunks overwritten: the decoder hands out records or says
// why not, never reads past the chunk, never crashes.
TEST(LazFiles, DamagedChunksNeverCrash) {
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (const Expectation &e : kFiles) {
        if (e.refusal) continue;
        SCOPED_TRACE(e.file);
        Bytes file = file_of(e);
        LazFile f;
        std::string problem;
        ASSERT_TRUE(read_laz_file(file.data(), file.size(), f, problem)) << problem;
        LazChunkDecoder d;
        ASSERT_TRUE(setup_chunk_decoder(d, f.vlr, problem));
        for (int round = 0; round < 8; ++round) {
            const LazChunk &c = f.chunks[round % f.chunks.size()];
            for (int k = 0; k < 4; ++k)
                file[c.offset + f.record_length + next() % (c.bytes - f.record_length)] =
                    static_cast<unsigned char>(next() >> 24);
            Bytes records;
            problem.clear();
            if (!decode_one(d, file, c, c.bytes, records, problem)) {
                EXPECT_FALSE(problem.empty());
            }
        }
    }
}

// f1_v12.laz with chunks of variable size (as COPC writes them), the
// chunk table rewritten with the given point counts: decoded like the
// original when they are its own, refused when they do not add up.
TEST(LazFiles, VariableChunksTakeTheirCountsFromTheTable) {
    const Expectation &e = kFiles[1];
    const Bytes original = file_of(e);
    LazFile f;
    std::string problem;
    ASSERT_TRUE(read_laz_file(original.data(), original.size(), f, problem)) << problem;
    const struct {
        std::vector<std::uint32_t> counts;
        const char *refusal;
    } kTables[] = {{{1000, 1000, 1000}, nullptr},
                   {{1000, 1000, 999}, "hold 2999 points, the header 3000"},
                   {{1000, 0, 2000}, "a chunk of no points"}};
    for (const auto &t : kTables) {
        Bytes file(original.begin(), original.begin() + 18890);
        for (int k = 0; k < 4; ++k) file[379 + k] = 0xFF;
        const Bytes head = {0, 0, 0, 0, 3, 0, 0, 0};
        laz_test_encoder::RangeEncoder enc;
        IntegerDecoder model;
        setup_integer_decoder(model, 32, 2);
        reset_integer_decoder(model);
        for (std::size_t k = 0; k < 3; ++k) {
            const auto last = [&](auto field) { return k ? static_cast<std::int32_t>(field(k - 1)) : 0; };
            laz_test_encoder::encode_integer(enc, model, last([&](std::size_t j) { return t.counts[j]; }),
                                             static_cast<std::int32_t>(t.counts[k]), 0);
            laz_test_encoder::encode_integer(enc, model, last([&](std::size_t j) { return f.chunks[j].bytes; }),
                                             static_cast<std::int32_t>(f.chunks[k].bytes), 1);
        }
        const Bytes entries = laz_test_encoder::finish(enc);
        file.insert(file.end(), head.begin(), head.end());
        file.insert(file.end(), entries.begin(), entries.end());
        LazFile g;
        problem.clear();
        const bool read = read_laz_file(file.data(), file.size(), g, problem);
        if (t.refusal) {
            EXPECT_FALSE(read);
            EXPECT_NE(problem.find(t.refusal), std::string::npos) << problem;
            continue;
        }
        ASSERT_TRUE(read) << problem;
        EXPECT_EQ(g.vlr.chunk_size, kVariableChunks);
        Bytes all, records;
        LazChunkDecoder d;
        ASSERT_TRUE(setup_chunk_decoder(d, g.vlr, problem));
        for (const LazChunk &c : g.chunks) {
            ASSERT_TRUE(decode_one(d, file, c, c.bytes, records, problem)) << problem;
            all.insert(all.end(), records.begin(), records.end());
        }
        EXPECT_EQ(fnv1a(all), e.digest);
    }
}

}  // namespace laz_files_test
