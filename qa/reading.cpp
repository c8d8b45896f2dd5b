// The reading of a run's tiles: workers take the next tile, read it and
// leave its outcome in its slot; the main thread takes the outcomes in
// input order as they come, so that only the tiles read ahead of the
// oldest still being read wait in memory.
#include "reading.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "inputs.hpp"
#include "process.hpp"
#include "process_facts.hpp"
#include "run_failure.hpp"
#include "tile.hpp"

namespace pointsieve::qa {

namespace {

using korvane::end_with_failure;
using korvane::printable_name;

struct Reading {
    const std::vector<TileInput> *tiles = nullptr;
    std::size_t begin = 0, end = 0;
    const std::string *outdir = nullptr;
    std::vector<std::unique_ptr<TileOutcome>> outcomes;
    std::unique_ptr<std::atomic<bool>[]> ready;
    std::atomic<std::size_t> next{0}, done{0};
    std::atomic<std::uint64_t> bytes{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable came;
    std::vector<std::thread> workers;
};

// The reading under way, stopped before a failure ends the process.
Reading *reading_now = nullptr;

void read_tiles(Reading *r, TileReader *reader) {
    while (!r->stop) {
        const std::size_t k = r->begin + r->next.fetch_add(1);
        if (k >= r->end) return;
        std::unique_ptr<TileOutcome> o;
        try {
            o = std::make_unique<TileOutcome>();
            read_tile(*reader, (*r->tiles)[k], *r->outdir, *o);
        } catch (const std::bad_alloc &) {
            o.reset();  // an empty slot: the run fails
        }
        {
            const std::lock_guard<std::mutex> lock(r->mutex);
            r->outcomes[k - r->begin] = std::move(o);
            r->ready[k - r->begin] = true;
            ++r->done;
        }
        r->came.notify_one();
    }
}

void show_progress(const Reading &r, std::chrono::steady_clock::time_point start, bool last) {
    const std::size_t total = r.end - r.begin, done = r.done;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double rate = seconds > 0 ? static_cast<double>(r.bytes) / 1e6 / seconds : 0;
    const double left = done > 0 ? seconds * static_cast<double>(total - done) / static_cast<double>(done) : 0;
    if (last) {
        std::fprintf(stderr, "\r%78s\r", "");
    } else {
        std::fprintf(stderr, "\r%llu of %llu tiles, %.1f MB/s, %.0f s left%10s", static_cast<unsigned long long>(done),
                     static_cast<unsigned long long>(total), rate, left, "");
    }
    std::fflush(stderr);
}

}  // namespace

void stop_reading() {
    Reading *r = reading_now;
    if (!r) return;
    reading_now = nullptr;
    r->stop = true;
    for (std::thread &w : r->workers)
        if (w.joinable()) w.join();
}

void read_delivery(const Options &o, OutDir &out, Delivered &d) {
    std::vector<TileInput> tiles;
    if (!collect_tiles(o.inputs, tiles)) end_with_failure();
    if (tiles.empty()) {
        std::printf("\nNo tile found\n");
        end_with_failure();
    }
    assign_stats_paths(tiles);
    std::uint64_t begin = 0, end = tiles.size();
    if (o.sharded) shard_slice(tiles.size(), o.shard_k, o.shard_n, begin, end);
    if (!begin_outdir(o.outdir, run_record(o, tiles), out)) end_with_failure();
    std::vector<std::string> stats;
    for (std::uint64_t k = begin; k < end; ++k) stats.push_back(tiles[k].stats);
    if (!make_folders(out, stats)) fail_run(out);

    const std::size_t count = end - begin;
    unsigned threads = o.threads ? o.threads : available_processors();
    threads = static_cast<unsigned>(std::min<std::uint64_t>(threads, std::max<std::size_t>(1, count)));
    Reading r;
    std::vector<std::unique_ptr<TileReader>> readers;
    try {
        for (unsigned t = 0; t < threads; ++t) {
            readers.push_back(std::make_unique<TileReader>());
            if (!start_tile_reader(*readers.back(), o.detailed, &r.bytes)) throw std::bad_alloc();
        }
    } catch (const std::bad_alloc &) {
        std::printf("\nCannot allocate memory for reading the tiles\n");
        fail_run(out);
    }
    r.tiles = &tiles, r.begin = begin, r.end = end, r.outdir = &out.temp;
    r.outcomes.resize(count);
    r.ready = std::make_unique<std::atomic<bool>[]>(count);
    for (std::size_t k = 0; k < count; ++k) r.ready[k] = false;
    reading_now = &r;
    for (unsigned t = 0; t < threads; ++t) {
        try {
            r.workers.emplace_back(read_tiles, &r, readers[t].get());
        } catch (const std::system_error &) {
            if (t == 0) {
                std::printf("\nCannot start a thread to read the tiles\n");
                fail_run(out);
            }
            break;  // fewer threads, the same outputs
        }
    }
    const bool progress = stderr_is_terminal();
    const auto start = std::chrono::steady_clock::now();
    d.detailed = o.detailed;
    for (std::size_t k = 0; k < count; ++k) {
        {
            std::unique_lock<std::mutex> lock(r.mutex);
            while (!r.ready[k]) {
                r.came.wait_for(lock, std::chrono::milliseconds(250));
                if (progress) show_progress(r, start, false);
            }
        }
        if (k == 0) start_tiles(d, nullptr, out);
        const std::unique_ptr<TileOutcome> t = std::move(r.outcomes[k]);
        if (!t) {
            std::printf("\nCannot allocate memory for reading the tiles\n");
            fail_run(out);
        }
        const TileInput &tile = tiles[begin + k];
        if (t->write_failed) {
            std::printf("\nCannot write statistics file %s: %s\n", printable_name(out.target + "/" + tile.stats).c_str(),
                        std::strerror(t->write_errno != 0 ? t->write_errno : EIO));
            fail_run(out);
        }
        add_tile(d, t->fields, out.temp + "/" + tile.stats, &t->figures, out);
    }
    if (count == 0) start_tiles(d, nullptr, out);
    stop_reading();
    for (const auto &reader : readers) add_detailed_sums(*reader, d.merged->acc);
    if (progress) show_progress(r, start, true);
}

}  // namespace pointsieve::qa
