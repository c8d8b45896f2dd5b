// Decoding a LAZ file's chunks and handing out their records in order.
// Chunks of ordinary size are decoded whole, several at once on threads of
// their own, so that only whole chunks reach the caller and one large tile
// uses every core; a chunk too large to hold decoded (a file compressed in
// one stream) is decoded a block at a time instead.
#include <algorithm>
#include <cstdint>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "file_seek.hpp"
#include "point_blocks.hpp"

namespace pointsieve::formats {

namespace {

// A chunk's compressed bytes are held whole: beyond this a chunk is taken
// for damage, not read.
constexpr std::uint64_t kMostChunkBytes = std::uint64_t{256} << 20;
// Without a table, a chunk's compressed bytes are looked for within twice
// its records' size and a margin (no compressor makes them larger).
constexpr std::uint64_t kSearchMargin = std::uint64_t{64} << 10;

std::string chunk_name(std::size_t k) { return "chunk " + std::to_string(k + 1); }

std::size_t stop(PointBlocks &b, const std::string &damage, bool failed) {
    b.damage = damage;
    b.failed = failed;
    b.declared = b.delivered;
    b.work_count = b.work_next = 0;
    return 0;
}

unsigned batch_threads(const PointBlocks &b) {
    unsigned threads = std::max(1u, b.most_threads);
    const unsigned readers = b.sharing ? b.sharing->load(std::memory_order_relaxed) : 1;
    if (readers > 1) threads = std::max(1u, threads / readers);
    return threads;
}

LazChunkWork &work_at(PointBlocks &b, std::size_t k) {
    while (b.work.size() <= k) b.work.emplace_back().decoder = b.decoder;
    LazChunkWork &w = b.work[k];
    w.handed = w.used = 0;
    w.problem.clear();
    w.read_failed = false;
    return w;
}

// Reads `bytes` compressed bytes at offset for chunk k of `points` records.
void read_chunk(PointBlocks &b, LazChunkWork &w, std::size_t k, std::uint64_t offset, std::uint64_t bytes,
                std::uint64_t points) {
    w.points = points;
    w.compressed.resize(static_cast<std::size_t>(bytes));
    if (!read_at(b.file, offset, w.compressed.data(), w.compressed.size())) {
        if (std::ferror(b.file))
            w.read_failed = true;
        else
            w.problem = "the file ends inside " + chunk_name(k);
    }
}

void decode_work(LazChunkWork &w, std::size_t k) {
    if (w.read_failed || !w.problem.empty()) return;
    w.records.resize(static_cast<std::size_t>(w.points) * w.decoder.record_length);
    laz::start_chunk(w.decoder, w.compressed.data(), w.compressed.size());
    std::string problem;
    if (!laz::decode_records(w.decoder, w.points, w.records.data(), problem))
        w.problem = chunk_name(k) + " does not decode: " + problem;
    else
        w.used = laz::chunk_bytes_used(w.decoder);
}

// Decodes the batch's chunks, the first on this thread, the others each on
// a thread of its own where one can be started.
void decode_batch(PointBlocks &b) {
    const std::size_t first = b.next_chunk - b.work_count;
    std::vector<std::thread> helpers;
    std::size_t started = 1;
    for (; started < b.work_count; ++started) {
        try {
            helpers.emplace_back(decode_work, std::ref(b.work[started]), first + started);
        } catch (const std::system_error &) {
            break;
        }
    }
    decode_work(b.work[0], first);
    for (std::size_t k = started; k < b.work_count; ++k) decode_work(b.work[k], first + k);
    for (std::thread &t : helpers) t.join();
}

// The next chunk of a file without a table, from where the last one ended.
bool take_found_chunk(PointBlocks &b) {
    const std::size_t k = b.next_chunk;
    const std::uint64_t points = std::min<std::uint64_t>(b.vlr.chunk_size, b.declared - b.planned);
    if (points * b.record_length > b.most_whole_chunk) {
        stop(b, chunk_name(k) + " is too large to find without LASzip's chunk table", false);
        return false;
    }
    if (b.chunk_at >= b.points_end) {
        stop(b, "the file ends before " + chunk_name(k), false);
        return false;
    }
    const std::uint64_t window = std::min(b.points_end - b.chunk_at, 2 * points * b.record_length + kSearchMargin);
    LazChunkWork &w = work_at(b, 0);
    read_chunk(b, w, k, b.chunk_at, window, points);
    ++b.next_chunk;
    b.work_count = 1, b.work_next = 0;
    b.planned += points;
    decode_work(w, k);
    if (!w.problem.empty() && b.chunk_at + window == b.points_end)
        w.problem = "the file ends inside " + chunk_name(k) + " (LASzip's chunk table is missing)";
    b.chunk_at += w.used;
    return true;
}

// Starts a chunk too large to decode whole.
bool start_large_chunk(PointBlocks &b, const laz::LazChunk &c) {
    const std::size_t k = b.next_chunk++;
    if (c.bytes > kMostChunkBytes) {
        stop(b, chunk_name(k) + " is too large to decode", false);
        return false;
    }
    b.chunk_bytes.resize(static_cast<std::size_t>(c.bytes));
    if (!read_at(b.file, c.offset, b.chunk_bytes.data(), b.chunk_bytes.size())) {
        stop(b, std::ferror(b.file) ? "" : "the file ends inside " + chunk_name(k), std::ferror(b.file) != 0);
        return false;
    }
    laz::start_chunk(b.decoder, b.chunk_bytes.data(), b.chunk_bytes.size());
    b.chunk_left = std::min(c.points, b.declared - b.planned);
    b.planned += b.chunk_left;
    return true;
}

// Takes the next chunks: a batch of whole ones, or a large one.
bool take_chunks(PointBlocks &b) {
    if (b.sequential) return take_found_chunk(b);
    const auto large = [&b](const laz::LazChunk &c) { return c.points * b.record_length > b.most_whole_chunk; };
    if (b.next_chunk >= b.chunks.size()) {
        stop(b, "", false);
        return false;
    }
    if (large(b.chunks[b.next_chunk])) return start_large_chunk(b, b.chunks[b.next_chunk]);
    const unsigned threads = batch_threads(b);
    b.work_count = b.work_next = 0;
    while (b.work_count < threads && b.next_chunk < b.chunks.size() && b.planned < b.declared &&
           !large(b.chunks[b.next_chunk])) {
        const laz::LazChunk &c = b.chunks[b.next_chunk];
        const std::uint64_t points = std::min(c.points, b.declared - b.planned);
        LazChunkWork &w = work_at(b, b.work_count);
        if (c.bytes > kMostChunkBytes)
            w.points = points, w.problem = chunk_name(b.next_chunk) + " is too large to decode";
        else
            read_chunk(b, w, b.next_chunk, c.offset, c.bytes, points);
        ++b.work_count, ++b.next_chunk;
        b.planned += points;
        if (w.read_failed || !w.problem.empty()) break;
    }
    decode_batch(b);
    return true;
}

std::size_t next_large_block(PointBlocks &b, const unsigned char *&records) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(b.chunk_left, b.block_records));
    b.buffer.resize(n * b.record_length);
    std::string problem;
    if (!laz::decode_records(b.decoder, n, b.buffer.data(), problem)) {
        b.chunk_left = 0;
        return stop(b, chunk_name(b.next_chunk - 1) + " does not decode: " + problem, false);
    }
    b.chunk_left -= n;
    b.delivered += n;
    records = b.buffer.data();
    return n;
}

}  // namespace

bool read_at(std::FILE *f, std::uint64_t offset, unsigned char *to, std::size_t n) {
    return seek_absolute(f, offset) && std::fread(to, 1, n, f) == n;
}

std::size_t next_laz_block(PointBlocks &b, const unsigned char *&records) {
    for (;;) {
        if (b.chunk_left > 0) return next_large_block(b, records);
        if (b.work_next < b.work_count) {
            LazChunkWork &w = b.work[b.work_next];
            if (w.read_failed || !w.problem.empty()) return stop(b, w.problem, w.read_failed);
            if (w.handed < w.points) {
                const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(w.points - w.handed, b.block_records));
                records = w.records.data() + static_cast<std::size_t>(w.handed) * b.record_length;
                w.handed += n;
                b.delivered += n;
                return n;
            }
            ++b.work_next;
            continue;
        }
        if (b.planned >= b.declared) return stop(b, "", false);
        if (!take_chunks(b)) return 0;
    }
}

}  // namespace pointsieve::formats
