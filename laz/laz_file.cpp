// Finding a LAZ file's laszip VLR and chunks in its bytes.
#include "laz_file.hpp"

#include <cstring>

#include "laz_endian.hpp"

namespace pointsieve::laz {

namespace {

constexpr std::size_t kHeaderLeast = 227, kVlrHeader = 54, kTablePointer = 8;

// The laszip VLR among the VLRs between the header and the points.
bool find_laszip_vlr(const unsigned char *bytes, std::uint64_t header_size, std::uint32_t count, LazFile &f,
                     std::string &problem) {
    std::uint64_t at = header_size;
    for (std::uint32_t k = 0; k < count; ++k) {
        if (at + kVlrHeader > f.point_offset) {
            problem = "VLR " + std::to_string(k + 1) + " runs past the start of the points";
            return false;
        }
        const unsigned char *v = bytes + at;
        const std::uint16_t length = load_le<std::uint16_t>(v + 20);
        if (length > f.point_offset - at - kVlrHeader) {
            problem = "VLR " + std::to_string(k + 1) + " runs past the start of the points";
            return false;
        }
        char user[17] = {};
        std::memcpy(user, v + 2, 16);
        if (std::strcmp(user, kLaszipUserId) == 0 && load_le<std::uint16_t>(v + 18) == kLaszipRecordId)
            return parse_laszip_vlr(v + kVlrHeader, length, f.vlr, problem);
        at += kVlrHeader + length;
    }
    problem = "the file has no laszip VLR";
    return false;
}

// Where the points end: at the first extended record of LAS 1.4, or at
// the end of the file.
std::uint64_t points_end(const unsigned char *bytes, std::size_t size, const LazFile &f) {
    if (f.version_minor >= 4 && size >= 247) {
        const std::uint64_t evlrs = load_le<std::uint64_t>(bytes + 235);
        if (load_le<std::uint32_t>(bytes + 243) > 0 && evlrs > f.point_offset && evlrs < size) return evlrs;
    }
    return size;
}

bool find_chunks(const unsigned char *bytes, std::size_t size, LazFile &f, std::string &problem) {
    if (f.vlr.compressor == LazCompressor::pointwise) {
        // One stream of all the points, from the start of the point data.
        f.chunks.push_back({f.point_offset, points_end(bytes, size, f) - f.point_offset, f.points});
        return true;
    }
    if (f.point_offset + kTablePointer > size) {
        problem = "the file ends before the offset to LASzip's chunk table";
        return false;
    }
    const std::uint64_t first_chunk = f.point_offset + kTablePointer;
    std::int64_t table = load_le<std::int64_t>(bytes + f.point_offset);
    // -1: the compressor wrote to a stream, and the offset last in the file.
    if (table == -1 && size >= first_chunk + kTablePointer) table = load_le<std::int64_t>(bytes + size - kTablePointer);
    if (table < 0 || static_cast<std::uint64_t>(table) < first_chunk || static_cast<std::uint64_t>(table) >= size) {
        problem = "LASzip's chunk table is missing (its offset, " + std::to_string(table) +
                  ", is not within the file after the points); chunks are not found by scanning yet";
        return false;
    }
    const auto at = static_cast<std::uint64_t>(table);
    return read_chunk_table(f.vlr, bytes + at, static_cast<std::size_t>(size - at), at, first_chunk, f.points,
                            f.chunks, problem);
}

}  // namespace

bool read_laz_file(const unsigned char *bytes, std::size_t size, LazFile &f, std::string &problem) {
    f = LazFile{};
    if (size < kHeaderLeast || std::memcmp(bytes, "LASF", 4) != 0) {
        problem = "the file is not a LAS file of at least " + std::to_string(kHeaderLeast) + " bytes";
        return false;
    }
    f.version_minor = bytes[25];
    const std::uint16_t header_size = load_le<std::uint16_t>(bytes + 94);
    f.point_offset = load_le<std::uint32_t>(bytes + 96);
    const std::uint32_t vlrs = load_le<std::uint32_t>(bytes + 100);
    const unsigned format = bytes[104];
    f.format = format & 0x3Fu;
    f.record_length = load_le<std::uint16_t>(bytes + 105);
    f.points = load_le<std::uint32_t>(bytes + 107);
    if (f.version_minor >= 4 && size >= 255 && header_size >= 375) f.points = load_le<std::uint64_t>(bytes + 247);
    if (!(format & 0x80u)) {
        problem = "the point format's compression bit is not set: the points are not LAZ";
        return false;
    }
    if (header_size < kHeaderLeast || header_size > f.point_offset || f.point_offset > size) {
        problem = "the header's size (" + std::to_string(header_size) + ") and offset to the points (" + std::to_string(f.point_offset) +
                  ") do not fit the file's " + std::to_string(size) + " bytes";
        return false;
    }
    if (!find_laszip_vlr(bytes, header_size, vlrs, f, problem)) return false;
    if (f.vlr.record_length != f.record_length) {
        problem = "the header's record length, " + std::to_string(f.record_length) + ", is not the " +
                  std::to_string(f.vlr.record_length) + " bytes of the laszip VLR's items";
        return false;
    }
    return find_chunks(bytes, size, f, problem);
}

}  // namespace pointsieve::laz
