// The laszip VLR (user id "laszip encoded", record 22204) of a LAZ file:
// how its points are compressed, in chunks of how many, and the items each
// point record is made of.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pointsieve::laz {

inline constexpr std::uint16_t kLaszipRecordId = 22204;
inline constexpr const char *kLaszipUserId = "laszip encoded";
// The chunk size that says the chunks vary, each one's count in the chunk table.
inline constexpr std::uint32_t kVariableChunks = 0xFFFFFFFFu;

// The compressors of the LAZ format.
enum class LazCompressor : std::uint16_t { none = 0, pointwise = 1, pointwise_chunked = 2, layered_chunked = 3 };

// The item types of the LAZ format: the parts a point record is made of.
enum class LazItemType : std::uint16_t {
    byte = 0,
    point10 = 6,
    gpstime11 = 7,
    rgb12 = 8,
    wavepacket13 = 9,
    point14 = 10,
    rgb14 = 11,
    rgbnir14 = 12,
    wavepacket14 = 13,
    byte14 = 14,
};

struct LazItem {
    LazItemType type = LazItemType::byte;
    std::uint16_t size = 0;     // bytes of the record it fills
    std::uint16_t version = 0;  // of its compression
};

struct LaszipVlr {
    LazCompressor compressor = LazCompressor::none;
    std::uint16_t coder = 0;  // 0: arithmetic, the only one
    std::uint8_t version_major = 0, version_minor = 0;
    std::uint16_t version_revision = 0;
    std::uint32_t options = 0;
    std::uint32_t chunk_size = 0;  // points a chunk, or kVariableChunks
    std::int64_t special_evlrs = -1, special_evlrs_offset = -1;
    std::vector<LazItem> items;
    std::size_t record_length = 0;  // the sum of the item sizes
};

// The name of an item type ("POINT10"), or "type N" for one the format lacks.
std::string item_name(LazItemType type);

// Reads the payload of a laszip VLR. False, with the reason in problem, when
// it is broken or describes what the LAZ format does not define: an unknown
// compressor, coder, item type or item version, an item of the wrong size,
// no items, a chunk size of 0.
bool parse_laszip_vlr(const unsigned char *data, std::size_t size, LaszipVlr &vlr, std::string &problem);

}  // namespace pointsieve::laz
