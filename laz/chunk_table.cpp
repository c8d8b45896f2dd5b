// Reading and checking LASzip's chunk table.
#include "chunk_table.hpp"

#include "integer_decoder.hpp"
#include "laz_endian.hpp"

namespace pointsieve::laz {

namespace {

constexpr std::size_t kTableHeader = 8;

std::string text(std::uint64_t v) { return std::to_string(v); }

// The chunks' point counts: fixed, the last one holding what is left, or
// read from the table, adding up to the header's.
bool count_points(const LaszipVlr &vlr, std::uint64_t points, std::vector<LazChunk> &chunks, std::string &problem) {
    const std::uint64_t n = chunks.size();
    if (vlr.chunk_size != kVariableChunks) {
        const std::uint64_t size = vlr.chunk_size;
        const std::uint64_t needed = points / size + (points % size != 0);
        if (n != needed) {
            problem = "LASzip's chunk table lists " + text(n) + " chunks, but the header's " + text(points) +
                      " points make " + text(needed) + " chunks of " + text(size);
            return false;
        }
        for (std::size_t k = 0; k < chunks.size(); ++k) chunks[k].points = k + 1 < n ? size : points - k * size;
        return true;
    }
    std::uint64_t sum = 0;
    for (const LazChunk &c : chunks) {
        if (c.points == 0) {
            problem = "LASzip's chunk table gives a chunk of no points";
            return false;
        }
        sum += c.points;
    }
    if (sum != points) {
        problem = "the chunks of LASzip's chunk table hold " + text(sum) + " points, the header " + text(points);
        return false;
    }
    return true;
}

}  // namespace

bool read_chunk_table(const LaszipVlr &vlr, const unsigned char *table, std::size_t size, std::uint64_t table_offset,
                      std::uint64_t first_chunk, std::uint64_t points, std::vector<LazChunk> &chunks,
                      std::string &problem) {
    chunks.clear();
    if (size < kTableHeader) {
        problem = "LASzip's chunk table at " + text(table_offset) + " runs past the end of the file";
        return false;
    }
    if (table_offset < first_chunk) {
        problem = "LASzip's chunk table at " + text(table_offset) + " lies before the chunks, which start at " +
                  text(first_chunk);
        return false;
    }
    const std::uint32_t version = load_le<std::uint32_t>(table);
    const std::uint32_t count = load_le<std::uint32_t>(table + 4);
    if (version != 0) {
        problem = "LASzip's chunk table has version " + text(version) + ", not 0";
        return false;
    }
    // Every chunk holds at least its first record whole: a count beyond
    // that is refused before anything is allocated for it.
    const std::uint64_t room = table_offset - first_chunk;
    if (vlr.record_length == 0 || count > room / vlr.record_length) {
        problem = "LASzip's chunk table lists " + text(count) + " chunks, more than the " + text(room) +
                  " bytes of point data before it can hold";
        return false;
    }
    chunks.resize(count);
    if (count > 0) {
        RangeDecoder r;
        start_range_decoder(r, table + kTableHeader, size - kTableHeader);
        IntegerDecoder d;
        setup_integer_decoder(d, 32, 2);
        reset_integer_decoder(d);
        const bool variable = vlr.chunk_size == kVariableChunks;
        std::uint32_t last_points = 0, last_bytes = 0;
        std::uint64_t at = first_chunk;
        for (LazChunk &c : chunks) {
            if (variable)
                last_points = static_cast<std::uint32_t>(decode_integer(r, d, static_cast<std::int32_t>(last_points), 0));
            last_bytes = static_cast<std::uint32_t>(decode_integer(r, d, static_cast<std::int32_t>(last_bytes), 1));
            if (r.overrun || r.corrupt) {
                problem = "LASzip's chunk table at " + text(table_offset) + " runs past the end of the file";
                return false;
            }
            c.offset = at;
            c.bytes = last_bytes;
            c.points = last_points;
            const std::string which = "chunk " + text(static_cast<std::uint64_t>(&c - chunks.data()) + 1);
            if (c.bytes == 0) {
                problem = which + " of LASzip's chunk table is empty";
                return false;
            }
            if (c.bytes > table_offset - at) {
                problem = which + " of LASzip's chunk table (" + text(c.bytes) + " bytes at " + text(at) +
                          ") runs past the table's start, " + text(table_offset);
                return false;
            }
            at += c.bytes;
        }
    }
    return count_points(vlr, points, chunks, problem);
}

}  // namespace pointsieve::laz
