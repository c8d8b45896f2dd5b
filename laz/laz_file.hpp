// A LAZ file held whole in memory: its header's few fields the decoder
// needs, its laszip VLR and its chunks. For the tests and the benchmark;
// the audit's format reader reads the same parts from the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "chunk_table.hpp"
#include "laszip_vlr.hpp"

namespace pointsieve::laz {

struct LazFile {
    unsigned version_minor = 0;      // LAS 1.x
    unsigned format = 0;             // point format, without the compression bits
    std::size_t record_length = 0;   // the header's
    std::uint64_t point_offset = 0;  // offset to point data
    std::uint64_t points = 0;        // the header's count
    LaszipVlr vlr;
    std::vector<LazChunk> chunks;
};

// Reads the header, finds the laszip VLR and the chunk table of the size
// bytes at bytes. False, with the reason, when the file is not LAZ or any
// of these is broken, missing or does not fit the file.
bool read_laz_file(const unsigned char *bytes, std::size_t size, LazFile &f, std::string &problem);

}  // namespace pointsieve::laz
