// Micro-benchmarks of the accumulation loop of each point record layout,
// with and without the detailed histograms, over 1 MiB of records held in
// memory (the block size the command reads).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "accumulate.hpp"
#include "file_util.hpp"
#include "las_format.hpp"

namespace {

std::vector<unsigned char> make_block(int type, std::size_t &count) {
    const std::size_t rec = korvane::las_type_info(type)->record_size;
    count = korvane::block_bytes_for(rec) / rec;
    std::vector<unsigned char> block(count * rec);
    std::uint64_t s = 88172645463325252ULL;
    for (auto &b : block) {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        b = static_cast<unsigned char>(s);
    }
    return block;
}

void BM_Accumulate(benchmark::State &state) {
    const int type = static_cast<int>(state.range(0));
    const bool detailed = state.range(1) != 0;
    std::size_t count = 0;
    const std::vector<unsigned char> block = make_block(type, count);
    pointsieve::Accumulator acc;
    pointsieve::allocate_histograms(acc);
    for (auto _ : state) {
        pointsieve::accumulate_records(static_cast<int16_t>(type), detailed, block.data(), count, acc);
        benchmark::DoNotOptimize(acc.ReturnCount);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(block.size()));
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(count));
}

// The floor: touching every 8-byte word of the same block.
void BM_TouchWords(benchmark::State &state) {
    std::size_t count = 0;
    const std::vector<unsigned char> block = make_block(8, count);
    for (auto _ : state) {
        std::uint64_t sum = 0;
        for (std::size_t k = 0; k + 8 <= block.size(); k += 8) {
            std::uint64_t w;
            std::memcpy(&w, block.data() + k, 8);
            sum += w;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(block.size()));
}

}  // namespace

// Types 5 to 8: formats 0 to 3 (the same loops serve versions 1.0 and 1.1).
BENCHMARK(BM_Accumulate)->ArgsProduct({{5, 6, 7, 8}, {0, 1}})->ArgNames({"type", "detailed"});
BENCHMARK(BM_TouchWords);

BENCHMARK_MAIN();
