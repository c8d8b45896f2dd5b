// Reading a file's point records in blocks.
#include "point_blocks.hpp"

#include <algorithm>
#include <cstdint>

#include "file_seek.hpp"

namespace pointsieve::formats {

namespace {

// The points end where the extended records (LAS 1.4) or the waveform data
// held in the file (LAS 1.3, global encoding bit 1) begin: a header that
// declares more records than fit before them has its records cut short
// there, and what follows is not read as points. UINT64_MAX: at the end
// of the file.
std::uint64_t points_end(const LasHeader &h) {
    std::uint64_t end = UINT64_MAX;
    if (h.VersionMinor >= 4 && h.NumberOfEVLRs > 0 && h.StartOfFirstEVLR >= h.OffsetToPointData) end = h.StartOfFirstEVLR;
    if (h.VersionMinor >= 3 && (h.GlobalEncoding & kInternalWaveforms) != 0 && h.StartOfWaveformData >= h.OffsetToPointData)
        end = std::min<std::uint64_t>(end, h.StartOfWaveformData);
    return end;
}

}  // namespace

std::uint64_t records_room(const HeaderReading &h, std::uint64_t file_size) {
    const std::uint64_t first = h.header.OffsetToPointData, length = h.header.PointDataRecordLength;
    const std::uint64_t end = std::min(points_end(h.header), file_size);
    return length > 0 && end > first ? (end - first) / length : 0;
}

bool start_point_blocks(PointBlocks &b, std::FILE *f, const HeaderReading &h) {
    if (h.problem != HeaderProblem::None || h.compressed) return false;
    b.file = f;
    b.format = h.format;
    b.record_length = h.header.PointDataRecordLength;
    b.first = h.header.OffsetToPointData;
    b.declared = declared_records(h.header);
    const std::uint64_t end = points_end(h.header);
    if (end != UINT64_MAX) b.declared = std::min<std::uint64_t>(b.declared, (end - b.first) / b.record_length);
    b.delivered = 0;
    b.block_records = std::max<std::size_t>(1, kBlockBytes / b.record_length);
    if (b.buffer.size() < b.block_records * b.record_length) b.buffer.resize(b.block_records * b.record_length);
    b.failed = false;
    b.compressed = false;
    b.damage.clear();
    return restart_point_blocks(b, b.declared);
}

bool restart_point_blocks(PointBlocks &b, std::uint64_t records) {
    b.declared = std::min(b.declared, records);
    b.delivered = 0;
    if (b.compressed) {
        b.next_chunk = 0;
        b.chunk_left = 0;
        b.work_count = b.work_next = 0;
        b.planned = 0;
        b.chunk_at = b.first + 8;
        return true;
    }
    if (b.declared > 0 && !seek_absolute(b.file, b.first)) b.failed = true;
    return !b.failed;
}

std::size_t next_point_block(PointBlocks &b, const unsigned char *&records) {
    if (b.failed || b.delivered >= b.declared) return 0;
    if (b.compressed) return next_laz_block(b, records);
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(b.declared - b.delivered, b.block_records));
    const std::size_t n = std::fread(b.buffer.data(), b.record_length, want, b.file);
    if (n < want && std::ferror(b.file)) {
        b.failed = true;
        return 0;
    }
    b.delivered += n;
    // A file cut short ends here: the next call finds nothing more.
    if (n < want) b.declared = b.delivered;
    records = b.buffer.data();
    return n;
}

}  // namespace pointsieve::formats
