// The point records of one LAS file, handed out in large blocks of whole
// records of a known format: the one way the audit reads points, whatever
// the file stores them as. Memory stays at one block whatever the size of
// the file.
#pragma once

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
    // LAZ: the records are decoded a block at a time from the chunk under
    // way, whose compressed bytes are held whole.
    bool compressed = false;
    laz::LaszipVlr vlr;
    std::vector<laz::LazChunk> chunks;
    std::size_t next_chunk = 0;       // the chunk after the one under way
    std::uint64_t chunk_left = 0;     // records of the chunk under way still to decode
    laz::LazChunkDecoder decoder;
    std::vector<unsigned char> chunk_bytes;
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

// The next block of LAZ records, from the chunk under way or the next.
std::size_t next_laz_block(PointBlocks &b, const unsigned char *&records);

}  // namespace pointsieve::formats
