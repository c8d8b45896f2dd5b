// The reading of a run's tiles: workers take the next tile, read it and
// leave its outcome in its slot; the main thread takes the outcomes in
// input order as they come. The slots are a window of kAheadPerThread tiles
// a thread: a worker whose tile lies beyond the window waits until the
// writer has taken the oldest ones, so that the outcomes waiting in memory
// are bounded whatever the number of tiles.
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

// The tiles a worker may read ahead of the oldest not yet taken by the
// writer, per thread.
constexpr std::size_t kAheadPerThread = 64;

// A worker's outcomes: made by it and reused by it once the writer is done
// with them, at most a window's worth in all, so that a tile costs no
// outcome of its own and no thread frees what another allocated (which
// made glibc's heap grow with -j).
struct Crew {
    TileReader *reader = nullptr;
    std::size_t index = 0;
    std::vector<std::unique_ptr<TileOutcome>> made;  // touched by the worker alone
    std::vector<TileOutcome *> spare;                // guarded by Reading::mutex
};

struct Reading {
    const TileInputs *tiles = nullptr;
    std::size_t begin = 0, end = 0;
    const std::string *outdir = nullptr;
    // Tile begin + i waits in slot i % window once read (nullptr: memory
    // ran out), with the worker it came from; ready, from, taken and the
    // spare outcomes are guarded by mutex.
    std::size_t window = 1;
    std::vector<TileOutcome *> slots;
    std::vector<std::size_t> from;
    std::vector<char> ready;
    std::size_t taken = 0;  // tiles the writer is done with
    std::atomic<std::size_t> next{0}, done{0};
    // Workers still reading tiles: a LAZ tile decodes its chunks on the
    // threads the others leave idle.
    std::atomic<unsigned> active{0};
    std::atomic<std::uint64_t> bytes{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable came;  // an outcome is ready
    std::condition_variable room;  // the writer is done with one: the window moved
    std::vector<Crew> crew;
    std::vector<std::thread> workers;
};

// The reading under way, stopped before a failure ends the process.
Reading *reading_now = nullptr;

void read_tiles(Reading *r, Crew *c) {
    const std::size_t count = r->end - r->begin;
    while (!r->stop) {
        const std::size_t i = r->next.fetch_add(1);
        if (i >= count) break;
        TileOutcome *o = nullptr;
        {
            // The holder of the oldest tile not taken never waits here, so
            // the writer always gets it.
            std::unique_lock<std::mutex> lock(r->mutex);
            r->room.wait(lock, [&] { return r->stop || i < r->taken + r->window; });
            if (r->stop) break;
            if (!c->spare.empty()) {
                o = c->spare.back();
                c->spare.pop_back();
            }
        }
        try {
            if (!o) {
                c->made.push_back(std::make_unique<TileOutcome>());
                o = c->made.back().get();
            }
            o->write_failed = false;
            o->write_errno = 0;
            read_tile(*c->reader, tile_input(*r->tiles, r->begin + i), *r->outdir, *o);
        } catch (const std::bad_alloc &) {
            o = nullptr;  // an empty slot: the run fails
        }
        {
            const std::lock_guard<std::mutex> lock(r->mutex);
            r->slots[i % r->window] = o;
            r->from[i % r->window] = c->index;
            r->ready[i % r->window] = 1;
            ++r->done;
        }
        r->came.notify_one();
    }
    r->active.fetch_sub(1);
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
    {
        const std::lock_guard<std::mutex> lock(r->mutex);
        r->stop = true;
    }
    r->room.notify_all();
    for (std::thread &w : r->workers)
        if (w.joinable()) w.join();
}

void read_delivery(const Options &o, OutDir &out, Delivered &d) {
    TileInputs tiles;
    if (!collect_tiles(o.inputs, tiles)) end_with_failure();
    if (tiles.names.starts.empty()) {
        std::printf("\nNo tile found\n");
        end_with_failure();
    }
    assign_stats_paths(tiles);
    const std::size_t all = tiles.names.starts.size();
    std::uint64_t begin = 0, end = all;
    if (o.sharded) shard_slice(all, o.shard_k, o.shard_n, begin, end);
    if (!begin_outdir(o.outdir, run_record(o, tiles), out)) end_with_failure();
    if (!make_folders(out, tiles.stats, begin, end)) fail_run(out);

    const std::size_t count = end - begin;
    const unsigned most_threads = o.threads ? o.threads : available_processors();
    const auto threads = static_cast<unsigned>(std::min<std::uint64_t>(most_threads, std::max<std::size_t>(1, count)));
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
    r.window = std::max<std::size_t>(1, std::min<std::size_t>(count, kAheadPerThread * threads));
    r.slots.assign(r.window, nullptr);
    r.from.assign(r.window, 0);
    r.ready.assign(r.window, 0);
    r.crew.resize(threads);
    for (unsigned t = 0; t < threads; ++t) {
        r.crew[t].reader = readers[t].get(), r.crew[t].index = t;
        readers[t]->blocks.most_threads = most_threads;
        readers[t]->blocks.sharing = &r.active;
    }
    // What is kept of every tile for judging, in one allocation each.
    d.facts.slot.reserve(count);
    d.names.starts.reserve(count);
    reading_now = &r;
    r.active = threads;
    for (unsigned t = 0; t < threads; ++t) {
        try {
            r.workers.emplace_back(read_tiles, &r, &r.crew[t]);
        } catch (const std::system_error &) {
            if (t == 0) {
                std::printf("\nCannot start a thread to read the tiles\n");
                fail_run(out);
            }
            r.active -= threads - t;
            break;  // fewer threads, the same outputs
        }
    }
    const bool progress = stderr_is_terminal();
    const auto start = std::chrono::steady_clock::now();
    d.detailed = o.detailed;
    for (std::size_t k = 0; k < count; ++k) {
        const std::size_t slot = k % r.window;
        {
            std::unique_lock<std::mutex> lock(r.mutex);
            while (!r.ready[slot]) {
                r.came.wait_for(lock, std::chrono::milliseconds(250));
                if (progress) show_progress(r, start, false);
            }
        }
        // No worker writes into the slot before the writer is done with it.
        TileOutcome *t = r.slots[slot];
        if (k == 0) start_tiles(d, nullptr, out);
        if (!t) {
            std::printf("\nCannot allocate memory for reading the tiles\n");
            fail_run(out);
        }
        const TileInput tile = tile_input(tiles, begin + k);
        if (t->write_failed) {
            std::printf("\nCannot write statistics file %s: %s\n", printable_name(out.target + "/" + tile.stats).c_str(),
                        std::strerror(t->write_errno != 0 ? t->write_errno : EIO));
            fail_run(out);
        }
        add_tile(d, t->fields, out.temp + "/" + tile.stats, &t->figures, out);
        {
            const std::lock_guard<std::mutex> lock(r.mutex);
            r.crew[r.from[slot]].spare.push_back(t);
            r.ready[slot] = 0;
            ++r.taken;
        }
        r.room.notify_all();
    }
    if (count == 0) start_tiles(d, nullptr, out);
    stop_reading();
    for (const auto &reader : readers) add_detailed_sums(*reader, d.merged->acc);
    if (progress) show_progress(r, start, true);
}

}  // namespace pointsieve::qa
