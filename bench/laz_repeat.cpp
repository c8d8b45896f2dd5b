// A large LAZ tile for the benchmarks, made from a small one without a
// compressor: the first CHUNKS chunks of IN (all of them when 0), repeated
// TIMES over, with a chunk table of their own and the header's counts to
// match. Chunks decode independently, so the copies are valid chunks.
//
//   bench_laz_repeat IN OUT CHUNKS TIMES
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "laz_file.hpp"
#include "laz_test_encoder.hpp"

namespace {

using Bytes = std::vector<unsigned char>;
namespace laz = pointsieve::laz;

void store(Bytes &b, std::size_t at, std::uint64_t v, int bytes) {
    for (int k = 0; k < bytes; ++k) b[at + static_cast<std::size_t>(k)] = static_cast<unsigned char>(v >> (8 * k));
}

std::uint64_t load(const Bytes &b, std::size_t at, int bytes) {
    std::uint64_t v = 0;
    for (int k = bytes; k-- > 0;) v = (v << 8) | b[at + static_cast<std::size_t>(k)];
    return v;
}

// LASzip's chunk table of chunks of these sizes, fixed in points.
Bytes chunk_table(const std::vector<std::uint64_t> &sizes) {
    Bytes table(8, 0);
    store(table, 4, sizes.size(), 4);
    laz_test_encoder::RangeEncoder e;
    laz::IntegerDecoder models;
    laz::setup_integer_decoder(models, 32, 2);
    laz::reset_integer_decoder(models);
    std::int32_t last = 0;
    for (const std::uint64_t size : sizes) {
        laz_test_encoder::encode_integer(e, models, last, static_cast<std::int32_t>(size), 1);
        last = static_cast<std::int32_t>(size);
    }
    const Bytes coded = laz_test_encoder::finish(e);
    table.insert(table.end(), coded.begin(), coded.end());
    return table;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: bench_laz_repeat IN OUT CHUNKS TIMES\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const Bytes file{std::istreambuf_iterator<char>(in), {}};
    laz::LazFile f;
    std::string problem;
    if (!laz::read_laz_file(file.data(), file.size(), f, problem) || f.vlr.compressor == laz::LazCompressor::pointwise ||
        f.vlr.chunk_size == laz::kVariableChunks) {
        std::fprintf(stderr, "%s: %s\n", argv[1], problem.empty() ? "not of fixed chunks" : problem.c_str());
        return 1;
    }
    std::size_t chunks = std::strtoul(argv[3], nullptr, 10);
    const std::size_t times = std::strtoul(argv[4], nullptr, 10);
    const bool all = chunks == 0 || chunks >= f.chunks.size();
    if (all) chunks = f.chunks.size();
    // Only the last chunk may be short.
    for (std::size_t k = 0; k + 1 < chunks; ++k)
        if (f.chunks[k].points != f.vlr.chunk_size) return 1;
    if (times > 1 && f.chunks[chunks - 1].points != f.vlr.chunk_size) chunks -= 1;

    Bytes out(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(f.point_offset + 8));
    std::vector<std::uint64_t> sizes;
    std::uint64_t points = 0;
    for (std::size_t t = 0; t < times; ++t) {
        for (std::size_t k = 0; k < chunks; ++k) {
            const laz::LazChunk &c = f.chunks[k];
            out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(c.offset),
                       file.begin() + static_cast<std::ptrdiff_t>(c.offset + c.bytes));
            sizes.push_back(c.bytes);
            points += c.points;
        }
    }
    store(out, f.point_offset, out.size(), 8);
    const Bytes table = chunk_table(sizes);
    out.insert(out.end(), table.begin(), table.end());
    // The counts: by return scaled when every chunk is repeated, else zero.
    const bool repeated = all && chunks == f.chunks.size();
    const auto scaled = [&](std::size_t at, int bytes) { store(out, at, repeated ? load(file, at, bytes) * times : 0, bytes); };
    if (f.version_minor >= 4) {
        store(out, 247, points, 8);
        for (std::size_t k = 0; k < 15; ++k) scaled(255 + 8 * k, 8);
    }
    if (f.format < 6) {
        store(out, 107, points, 4);
        for (std::size_t k = 0; k < 5; ++k) scaled(111 + 4 * k, 4);
    }
    std::ofstream o(argv[2], std::ios::binary);
    o.write(reinterpret_cast<const char *>(out.data()), static_cast<std::streamsize>(out.size()));
    return o.good() ? 0 : 1;
}
