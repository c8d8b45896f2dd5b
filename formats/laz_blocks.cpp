// Readying the LAZ records of a file: the laszip VLR and LASzip's chunk
// table found (laz_chunks.cpp decodes them).
#include <algorithm>
#include <cstdint>
#include <limits>

#include "file_seek.hpp"
#include "laz_endian.hpp"
#include "point_blocks.hpp"

namespace pointsieve::formats {

namespace {

// LASzip's chunk table follows the last chunk; it is read up to this many
// bytes (a table of a million chunks takes a few megabytes).
constexpr std::uint64_t kMostTableBytes = std::uint64_t{64} << 20;

// Where the compressed points end: at the first extended record of LAS
// 1.4, or at the end of the file.
std::uint64_t points_end(const LasHeader &h, std::uint64_t file_size) {
    if (h.VersionMinor >= 4 && h.NumberOfEVLRs > 0 && h.StartOfFirstEVLR > h.OffsetToPointData &&
        h.StartOfFirstEVLR < file_size)
        return h.StartOfFirstEVLR;
    return file_size;
}

// Without a chunk table the chunks are found one after the other, which
// needs their size in points: chunks that vary have none.
bool without_table(PointBlocks &b, const LasHeader &h, std::uint64_t file_size, std::string &problem) {
    if (b.vlr.chunk_size == laz::kVariableChunks) return false;
    b.sequential = true;
    b.chunks.clear();
    b.chunk_at = b.first + 8;
    b.points_end = points_end(h, file_size);
    problem.clear();
    return true;
}

bool find_chunks(PointBlocks &b, const LasHeader &h, std::uint64_t file_size, std::string &problem) {
    const std::uint64_t points = declared_records(h);
    if (b.vlr.compressor == laz::LazCompressor::pointwise) {
        // One stream of all the points, from the start of the point data.
        b.chunks.push_back({b.first, points_end(h, file_size) - b.first, points});
        return true;
    }
    unsigned char pointer[8];
    const std::uint64_t first_chunk = b.first + 8;
    if (first_chunk > file_size || !read_at(b.file, b.first, pointer, 8)) {
        problem = "the file ends before the offset to LASzip's chunk table";
        return false;
    }
    std::int64_t table = laz::load_le<std::int64_t>(pointer);
    // -1: the compressor wrote to a stream, and the offset last in the file.
    if (table == -1 && file_size >= first_chunk + 8 && read_at(b.file, file_size - 8, pointer, 8))
        table = laz::load_le<std::int64_t>(pointer);
    if (table < 0 || static_cast<std::uint64_t>(table) < first_chunk || static_cast<std::uint64_t>(table) >= file_size) {
        problem = "LASzip's chunk table is missing (the file may be cut short)";
        return without_table(b, h, file_size, problem);
    }
    const auto at = static_cast<std::uint64_t>(table);
    std::vector<unsigned char> bytes(static_cast<std::size_t>(std::min(file_size - at, kMostTableBytes)));
    if (!read_at(b.file, at, bytes.data(), bytes.size())) {
        b.failed = true;
        problem = "LASzip's chunk table cannot be read";
        return false;
    }
    return laz::read_chunk_table(b.vlr, bytes.data(), bytes.size(), at, first_chunk, points, b.chunks, problem) ||
           without_table(b, h, file_size, problem);
}

}  // namespace

bool start_laz_blocks(PointBlocks &b, std::FILE *f, const HeaderReading &h, const std::vector<Vlr> &records,
                      std::uint64_t file_size, std::string &problem) {
    if (h.problem != HeaderProblem::None || !h.compressed) {
        problem = "the records are not compressed";
        return false;
    }
    const auto found = std::find_if(records.begin(), records.end(), [](const Vlr &v) {
        return v.user_id == laz::kLaszipUserId && v.record_id == laz::kLaszipRecordId;
    });
    if (found == records.end() || found->data.size() != found->length) {
        problem = "the file has no laszip VLR";
        return false;
    }
    b.file = f;
    b.format = h.format;
    b.record_length = h.header.PointDataRecordLength;
    b.first = h.header.OffsetToPointData;
    b.declared = declared_records(h.header);
    b.delivered = 0;
    b.failed = false;
    b.compressed = true;
    b.block_records = std::max<std::size_t>(1, kBlockBytes / b.record_length);
    b.chunks.clear();
    b.sequential = false;
    b.damage.clear();
    restart_point_blocks(b, b.declared);
    if (!laz::parse_laszip_vlr(found->data.data(), found->data.size(), b.vlr, problem)) return false;
    if (b.vlr.record_length != b.record_length) {
        problem = "the laszip VLR's items make records of " + std::to_string(b.vlr.record_length) +
                  " bytes, the header says " + std::to_string(b.record_length);
        return false;
    }
    if (!laz::setup_chunk_decoder(b.decoder, b.vlr, problem) || !find_chunks(b, h.header, file_size, problem))
        return false;
    for (LazChunkWork &w : b.work) w.decoder = b.decoder;
    return true;
}

}  // namespace pointsieve::formats
