// Reading and checking the laszip VLR.
#include "laszip_vlr.hpp"

#include "laz_endian.hpp"

namespace pointsieve::laz {

namespace {

constexpr std::size_t kFixedPart = 34, kItemBytes = 6;

// What the LAZ format allows of one item type: its size (0: any size of at
// least 1) and the versions of its compression, one bit each.
struct ItemRule {
    LazItemType type;
    const char *name;
    std::uint16_t size;
    unsigned versions;
    bool layered;  // an item of the LAS 1.4 formats, compressed in layers
};

constexpr ItemRule kRules[] = {
    {LazItemType::byte, "BYTE", 0, 0b111, false},
    {LazItemType::point10, "POINT10", 20, 0b111, false},
    {LazItemType::gpstime11, "GPSTIME11", 8, 0b111, false},
    {LazItemType::rgb12, "RGB12", 6, 0b111, false},
    {LazItemType::wavepacket13, "WAVEPACKET13", 29, 0b11, false},
    {LazItemType::point14, "POINT14", 30, 0b11101, true},
    {LazItemType::rgb14, "RGB14", 6, 0b11101, true},
    {LazItemType::rgbnir14, "RGBNIR14", 8, 0b11101, true},
    {LazItemType::wavepacket14, "WAVEPACKET14", 29, 0b11001, true},
    {LazItemType::byte14, "BYTE14", 0, 0b11101, true},
};

const ItemRule *rule_of(LazItemType type) {
    for (const ItemRule &r : kRules)
        if (r.type == type) return &r;
    return nullptr;
}

bool check_item(const LaszipVlr &vlr, std::size_t index, const LazItem &item, std::string &problem) {
    const std::string which = "item " + std::to_string(index + 1) + " (" + item_name(item.type) + ")";
    const ItemRule *rule = rule_of(item.type);
    if (!rule) {
        problem = "the laszip VLR's " + which + " is not an item of the LAZ format";
        return false;
    }
    if (rule->size ? item.size != rule->size : item.size == 0) {
        problem = "the laszip VLR's " + which + " has a size of " + std::to_string(item.size) + " bytes, not " +
                  (rule->size ? std::to_string(rule->size) : std::string("at least 1"));
        return false;
    }
    if (item.version > 4 || !(rule->versions >> item.version & 1u)) {
        problem = "the laszip VLR's " + which + " has version " + std::to_string(item.version) +
                  ", not one the LAZ format defines for it";
        return false;
    }
    if (vlr.compressor != LazCompressor::none && item.version == 0) {
        problem = "the laszip VLR's " + which + " has version 0, which is for points not compressed";
        return false;
    }
    const bool layered = vlr.compressor == LazCompressor::layered_chunked;
    if (vlr.compressor != LazCompressor::none && rule->layered != layered) {
        problem = "the laszip VLR's " + which + (layered ? " is not compressed in layers, but the compressor is"
                                                         : " is compressed in layers, but the compressor is not");
        return false;
    }
    return true;
}

}  // namespace

std::string item_name(LazItemType type) {
    const ItemRule *rule = rule_of(type);
    return rule ? std::string(rule->name) : "type " + std::to_string(static_cast<unsigned>(type));
}

bool parse_laszip_vlr(const unsigned char *data, std::size_t size, LaszipVlr &vlr, std::string &problem) {
    vlr = LaszipVlr{};
    if (size < kFixedPart) {
        problem = "the laszip VLR holds " + std::to_string(size) + " bytes, fewer than the " +
                  std::to_string(kFixedPart) + " of its fixed part";
        return false;
    }
    const std::uint16_t compressor = load_le<std::uint16_t>(data);
    vlr.coder = load_le<std::uint16_t>(data + 2);
    vlr.version_major = data[4];
    vlr.version_minor = data[5];
    vlr.version_revision = load_le<std::uint16_t>(data + 6);
    vlr.options = load_le<std::uint32_t>(data + 8);
    vlr.chunk_size = load_le<std::uint32_t>(data + 12);
    vlr.special_evlrs = load_le<std::int64_t>(data + 16);
    vlr.special_evlrs_offset = load_le<std::int64_t>(data + 24);
    const std::size_t count = load_le<std::uint16_t>(data + 32);
    if (compressor > 3) {
        problem = "the laszip VLR's compressor " + std::to_string(compressor) + " is not one of the LAZ format's (0 to 3)";
        return false;
    }
    vlr.compressor = static_cast<LazCompressor>(compressor);
    if (vlr.coder != 0) {
        problem = "the laszip VLR's coder " + std::to_string(vlr.coder) + " is not the arithmetic coder (0)";
        return false;
    }
    if (count == 0) {
        problem = "the laszip VLR lists no items";
        return false;
    }
    if (size != kFixedPart + kItemBytes * count) {
        problem = "the laszip VLR lists " + std::to_string(count) + " items in " + std::to_string(size) +
                  " bytes, not the " + std::to_string(kFixedPart + kItemBytes * count) + " they take";
        return false;
    }
    const bool chunked =
        vlr.compressor == LazCompressor::pointwise_chunked || vlr.compressor == LazCompressor::layered_chunked;
    if (chunked && vlr.chunk_size == 0) {
        problem = "the laszip VLR gives a chunk size of 0 points";
        return false;
    }
    vlr.items.resize(count);
    for (std::size_t k = 0; k < count; ++k) {
        const unsigned char *p = data + kFixedPart + kItemBytes * k;
        LazItem &item = vlr.items[k];
        item.type = static_cast<LazItemType>(load_le<std::uint16_t>(p));
        item.size = load_le<std::uint16_t>(p + 2);
        item.version = load_le<std::uint16_t>(p + 4);
        if (!check_item(vlr, k, item, problem)) return false;
        vlr.record_length += item.size;
    }
    return true;
}

}  // namespace pointsieve::laz
