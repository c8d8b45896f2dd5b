// Reading a file's point records in blocks.
#include "point_blocks.hpp"

#include <algorithm>

#include "file_seek.hpp"

namespace pointsieve::formats {

bool start_point_blocks(PointBlocks &b, std::FILE *f, const HeaderReading &h) {
    if (h.problem != HeaderProblem::None || h.compressed) return false;
    b.file = f;
    b.format = h.format;
    b.record_length = h.header.PointDataRecordLength;
    b.first = h.header.OffsetToPointData;
    b.declared = declared_records(h.header);
    b.delivered = 0;
    b.block_records = std::max<std::size_t>(1, kBlockBytes / b.record_length);
    if (b.buffer.size() < b.block_records * b.record_length) b.buffer.resize(b.block_records * b.record_length);
    b.failed = false;
    return restart_point_blocks(b, b.declared);
}

bool restart_point_blocks(PointBlocks &b, std::uint64_t records) {
    b.declared = std::min(b.declared, records);
    b.delivered = 0;
    if (b.declared > 0 && !seek_absolute(b.file, b.first)) b.failed = true;
    return !b.failed;
}

std::size_t next_point_block(PointBlocks &b, const unsigned char *&records) {
    if (b.failed || b.delivered >= b.declared) return 0;
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
