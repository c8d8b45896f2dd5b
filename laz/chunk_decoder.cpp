// The decoding loop of a chunk: the first record copied, each next one
// decoded item by item, the range decoder's bounds checked once a record.
#include "chunk_decoder.hpp"

#include <cstring>

namespace pointsieve::laz {

namespace {

bool add_slot(LazChunkDecoder &d, const LazItem &item, std::size_t offset, std::string &problem) {
    const bool v1 = item.version == 1;
    ItemSlot s;
    s.offset = offset;
    switch (item.type) {
    case LazItemType::point10:
        s.codec = v1 ? ItemCodec::point10_v1 : ItemCodec::point10_v2;
        s.state = d.point10.size();
        setup_point10(d.point10.emplace_back(), item.version);
        break;
    case LazItemType::gpstime11:
        s.codec = v1 ? ItemCodec::gpstime_v1 : ItemCodec::gpstime_v2;
        s.state = d.gpstime.size();
        setup_gpstime(d.gpstime.emplace_back(), item.version);
        break;
    case LazItemType::rgb12:
        s.codec = v1 ? ItemCodec::rgb_v1 : ItemCodec::rgb_v2;
        s.state = d.rgb.size();
        setup_rgb(d.rgb.emplace_back(), item.version);
        break;
    case LazItemType::byte:
        s.codec = v1 ? ItemCodec::bytes_v1 : ItemCodec::bytes_v2;
        s.state = d.bytes.size();
        setup_bytes(d.bytes.emplace_back(), item.version, item.size);
        break;
    case LazItemType::wavepacket13:
        s.codec = ItemCodec::wavepacket_v1;
        s.state = d.wavepacket.size();
        setup_wavepacket(d.wavepacket.emplace_back());
        break;
    default:
        problem = "the LAZ items " + item_name(item.type) + " are not compressed point by point";
        return false;
    }
    d.slots.push_back(s);
    return true;
}

void start_items(LazChunkDecoder &d, const unsigned char *first) {
    for (const ItemSlot &s : d.slots) {
        const unsigned char *p = first + s.offset;
        switch (s.codec) {
        case ItemCodec::point10_v1:
        case ItemCodec::point10_v2: start_point10(d.point10[s.state], p); break;
        case ItemCodec::gpstime_v1:
        case ItemCodec::gpstime_v2: start_gpstime(d.gpstime[s.state], p); break;
        case ItemCodec::rgb_v1:
        case ItemCodec::rgb_v2: start_rgb(d.rgb[s.state], p); break;
        case ItemCodec::bytes_v1:
        case ItemCodec::bytes_v2: start_bytes(d.bytes[s.state], p); break;
        case ItemCodec::wavepacket_v1: start_wavepacket(d.wavepacket[s.state], p); break;
        default: break;  // layered: layered_chunk.cpp
        }
    }
}

void decode_items(LazChunkDecoder &d, unsigned char *record) {
    RangeDecoder &r = d.range;
    for (const ItemSlot &s : d.slots) {
        unsigned char *p = record + s.offset;
        switch (s.codec) {
        case ItemCodec::point10_v1: decode_point10_v1(d.point10[s.state], r, p); break;
        case ItemCodec::point10_v2: decode_point10_v2(d.point10[s.state], r, p); break;
        case ItemCodec::gpstime_v1: decode_gpstime_v1(d.gpstime[s.state], r, p); break;
        case ItemCodec::gpstime_v2: decode_gpstime_v2(d.gpstime[s.state], r, p); break;
        case ItemCodec::rgb_v1: decode_rgb_v1(d.rgb[s.state], r, p); break;
        case ItemCodec::rgb_v2: decode_rgb_v2(d.rgb[s.state], r, p); break;
        case ItemCodec::bytes_v1: decode_bytes_v1(d.bytes[s.state], r, p); break;
        case ItemCodec::bytes_v2: decode_bytes_v2(d.bytes[s.state], r, p); break;
        case ItemCodec::wavepacket_v1: decode_wavepacket(d.wavepacket[s.state], r, p); break;
        default: break;
        }
    }
}

}  // namespace

bool setup_chunk_decoder(LazChunkDecoder &d, const LaszipVlr &vlr, std::string &problem) {
    d = LazChunkDecoder{};
    if (vlr.compressor == LazCompressor::none) {
        problem = "the LAZ points are not compressed (compressor 0)";
        return false;
    }
    if (vlr.compressor == LazCompressor::layered_chunked) return setup_layered_decoder(d, vlr, problem);
    std::size_t offset = 0;
    for (const LazItem &item : vlr.items) {
        if (!add_slot(d, item, offset, problem)) return false;
        offset += item.size;
    }
    d.record_length = offset;
    return true;
}

void start_chunk(LazChunkDecoder &d, const unsigned char *bytes, std::size_t size) {
    d.chunk = bytes;
    d.chunk_size = size;
    d.decoded = 0;
}

bool decode_records(LazChunkDecoder &d, std::uint64_t count, unsigned char *records, std::string &problem) {
    if (d.layered) return decode_layered_records(d, count, records, problem);
    const std::size_t length = d.record_length;
    for (std::uint64_t k = 0; k < count; ++k, records += length) {
        if (d.decoded == 0) {
            if (d.chunk_size < length) {
                problem = "the chunk's " + std::to_string(d.chunk_size) + " bytes end before its first record";
                return false;
            }
            std::memcpy(records, d.chunk, length);
            start_items(d, d.chunk);
            start_range_decoder(d.range, d.chunk + length, d.chunk_size - length);
        } else {
            decode_items(d, records);
        }
        ++d.decoded;
        if (d.range.overrun) {
            problem = "the chunk's " + std::to_string(d.chunk_size) + " bytes end before its record " +
                      std::to_string(d.decoded);
            return false;
        }
        if (d.range.corrupt) {
            problem = "the chunk's record " + std::to_string(d.decoded) + " holds what no LAZ compressor writes";
            return false;
        }
    }
    return true;
}

std::size_t chunk_bytes_used(const LazChunkDecoder &d) {
    if (d.decoded == 0) return 0;
    if (d.layered) return d.chunk_end;
    return static_cast<std::size_t>(d.range.next - d.chunk);
}

bool decode_chunk(const LaszipVlr &vlr, const unsigned char *bytes, std::size_t size, std::uint64_t points,
                  unsigned char *records, std::string &problem) {
    LazChunkDecoder d;
    if (!setup_chunk_decoder(d, vlr, problem)) return false;
    start_chunk(d, bytes, size);
    return decode_records(d, points, records, problem);
}

}  // namespace pointsieve::laz
