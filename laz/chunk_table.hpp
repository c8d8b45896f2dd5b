// LASzip's chunk table: where each chunk of a LAZ file's compressed points
// lies and how many points it holds. The point data starts with the 64-bit
// offset of the table, which follows the last chunk: a version (0), the
// number of chunks, then for each chunk its byte size (and, when the
// chunks vary, its point count), coded by the integer decompressor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "laszip_vlr.hpp"

namespace pointsieve::laz {

struct LazChunk {
    std::uint64_t offset = 0;  // in the file
    std::uint64_t bytes = 0;
    std::uint64_t points = 0;
};

// Reads the chunk table from `table`, the `size` bytes of the file from
// table_offset on. The chunks start at first_chunk (just after the offset
// to the table) and hold the header's `points`. False, with the reason,
// when the table does not fit the file, its chunks or the points.
bool read_chunk_table(const LaszipVlr &vlr, const unsigned char *table, std::size_t size, std::uint64_t table_offset,
                      std::uint64_t first_chunk, std::uint64_t points, std::vector<LazChunk> &chunks,
                      std::string &problem);

}  // namespace pointsieve::laz
