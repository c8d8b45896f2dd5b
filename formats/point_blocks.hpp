// The point records of one LAS file, handed out in large blocks of whole
// records of a known format: the one way the audit reads points, whatever
// the file stores them as. Memory stays at one block whatever the size of
// the file.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "chunk_decoder.hpp"
#include "chunk_table.hpp"
#include "las_header.hpp"
#include "laszip_vlr.hpp"
#include "vlrs.hpp"

namespace pointsieve::formats {

// One LAZ chunk decoded whole, by a thread of its own.
struct LazChunkWork {
    laz::LazChunkDecoder decoder;
    std::vector<unsigned char> compressed;
    std::vector<unsigned char> records;
    std::uint64_t points = 0;       // its records
    std::uint64_t handed = 0;       // of them handed out
    std::uint64_t used = 0;         // of its compressed bytes, once decoded
    std::string problem;            // why it gave no records; empty when it decoded
    bool read_failed = false;       // its bytes could not be read (errno tells)
};

struct PointBlocks {
    std::FILE *file = nullptr;        // the caller's, positioned anywhere
    unsigned format = 0;              // point format 0 to 10
    std::size_t record_length = 0;    // bytes per record, extra bytes included
    std::uint64_t first = 0;          // offset of the first record
    std::uint64_t declared = 0;       // records the header declares
    std::uint64_t delivered = 0;      // whole records handed out so far
    std::size_t block_records = 0;    // records per block
    std::vector<unsigned char> buffer;
    bool failed = false;              // a read or seek failed (errno tells)
    // LAZ: chunks of ordinary size are decoded whole, up to one a thread
    // at once, and handed out in order; a larger one (a file compressed in
    // one stream) a block at a time from its compressed bytes held whole.
    bool compressed = false;
    laz::LaszipVlr vlr;
    std::vector<laz::LazChunk> chunks;
    std::size_t next_chunk = 0;       // the chunk after those under way
    std::uint64_t chunk_left = 0;     // records of the large chunk under way still to decode
    laz::LazChunkDecoder decoder;
    std::vector<unsigned char> chunk_bytes;
    std::vector<LazChunkWork> work;   // the chunks decoded at once
    std::size_t work_count = 0;       // of them, in the batch under way
    std::size_t work_next = 0;        // the one handing out its records
    // Without LASzip's chunk table (lost when a file is cut short), each
    // chunk of the VLR's size is found where the one before it ended.
    bool sequential = false;
    std::uint64_t chunk_at = 0;       // where the next chunk begins
    std::uint64_t points_end = 0;     // where the compressed points end
    std::uint64_t planned = 0;        // records of the chunks taken so far
    // Threads that decode chunks at once: most_threads, shared among the
    // *sharing readers at work (null: not shared).
    unsigned most_threads = 1;
    const std::atomic<unsigned> *sharing = nullptr;
    // Chunks of more bytes of records than this are decoded a block at a time.
    std::uint64_t most_whole_chunk = std::uint64_t{16} << 20;
    std::string damage;               // why the records stop early, in words; empty when they do not
};

// Bytes a block holds at most.
inline constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

// Readies the records of a file whose header h was read without a problem
// for reading from f, keeping b's buffer: the records declared, up to where
// the extended records or the waveform data begin. False when b cannot be
// readied (the records are compressed, which this reader does not decode,
// or the seek to them fails).
bool start_point_blocks(PointBlocks &b, std::FILE *f, const HeaderReading &h);

// The whole uncompressed records a file of file_size bytes holds from its
// first record to where its points end, whatever its header declares.
std::uint64_t records_room(const HeaderReading &h, std::uint64_t file_size);

// Readies the LAZ records of a file whose header h was read without a
// problem and marks them compressed: the laszip VLR among records, the
// chunk table from f, whose size is file_size. False, with the reason in
// problem, when they are broken or hold items not decoded here.
bool start_laz_blocks(PointBlocks &b, std::FILE *f, const HeaderReading &h, const std::vector<Vlr> &records,
                      std::uint64_t file_size, std::string &problem);

// The next block: its whole records at records, their number returned; 0
// at the end of the declared records, at the end of the file (fewer than
// declared: a file cut short), at a LAZ chunk that does not decode
// (b.damage says why) or on a failed read (b.failed).
std::size_t next_point_block(PointBlocks &b, const unsigned char *&records);

// Starts the records over from the first, for a second reading of the
// first `records` of them. False when the seek fails.
bool restart_point_blocks(PointBlocks &b, std::uint64_t records);

// The next block of LAZ records, from the chunks under way or the next.
std::size_t next_laz_block(PointBlocks &b, const unsigned char *&records);

// Reads n bytes at offset of f into to; false when the seek or the read fails.
bool read_at(std::FILE *f, std::uint64_t offset, unsigned char *to, std::size_t n);

}  // namespace pointsieve::formats
