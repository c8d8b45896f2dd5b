// The chunks of LASzip's layered compressor (compressor 3, point formats 6
// to 10): the first record whole, the chunk's count of points, the byte
// size of every layer of every item, then the layers one after the other.
// The layers are decoded side by side a record at a time, each from its
// own bytes, so that a chunk may be handed out in blocks like any other.
#include <cstring>

#include "chunk_decoder.hpp"
#include "laz_endian.hpp"

namespace pointsieve::laz {

namespace {

// A record after the first takes a few thousandths of a bit of the first
// layer at the least (its changed bits and the corrections of x and y,
// each of a model that never gives a symbol more than about 1 - 1/256):
// a count of points beyond this many a byte of that layer is not a
// compressor's.
constexpr std::uint64_t kMostPointsPerByte = 4096;


bool add_layered_slot(LazChunkDecoder &d, const LazItem &item, std::size_t index, std::size_t offset,
                      std::string &problem) {
    const bool first = index == 0, point14 = item.type == LazItemType::point14;
    if (first != point14) {
        problem = first ? "the first of the LAZ items compressed in layers is " + item_name(item.type) + ", not POINT14"
                        : std::string("the LAZ items compressed in layers hold POINT14 twice");
        return false;
    }
    ItemSlot s;
    s.offset = offset;
    s.layer = d.layers.size();
    std::size_t layers = 1;
    switch (item.type) {
    case LazItemType::point14:
        s.codec = ItemCodec::point14;
        s.state = d.point14.size();
        setup_point14(d.point14.emplace_back());
        layers = kPoint14Layers;
        break;
    case LazItemType::rgb14:
    case LazItemType::rgbnir14: {
        const bool nir = item.type == LazItemType::rgbnir14;
        s.codec = ItemCodec::color14;
        s.state = d.color14.size();
        setup_color14(d.color14.emplace_back(), item.version, nir);
        layers = nir ? 2 : 1;
        break;
    }
    case LazItemType::byte14:
        s.codec = ItemCodec::bytes14;
        s.state = d.bytes14.size();
        setup_bytes14(d.bytes14.emplace_back(), item.version, item.size);
        layers = item.size;
        break;
    case LazItemType::wavepacket14:
        s.codec = ItemCodec::wavepacket14;
        s.state = d.wavepacket14.size();
        setup_wavepacket14(d.wavepacket14.emplace_back(), item.version);
        break;
    default:
        problem = "the LAZ items " + item_name(item.type) + " are not compressed in layers";
        return false;
    }
    d.layers.resize(d.layers.size() + layers);
    d.slots.push_back(s);
    return true;
}

// The chunk's count and layer sizes, checked against its bytes; its first
// record, copied to `record`, starts every item.
bool start_layered_chunk(LazChunkDecoder &d, unsigned char *record, std::string &problem) {
    const std::size_t length = d.record_length, count = d.layers.size();
    const std::uint64_t head = length + 4 + 4 * std::uint64_t{count};
    if (d.chunk_size < head) {
        problem = "the chunk's " + std::to_string(d.chunk_size) +
                  " bytes end before its first record and the sizes of its " + std::to_string(count) + " layers";
        return false;
    }
    std::memcpy(record, d.chunk, length);
    const unsigned char *sizes = d.chunk + length + 4;
    d.chunk_points = load_le<std::uint32_t>(d.chunk + length);
    std::uint64_t total = 0;
    for (std::size_t k = 0; k < count; ++k) total += load_le<std::uint32_t>(sizes + 4 * k);
    if (total > d.chunk_size - head) {
        problem = "the chunk's " + std::to_string(d.chunk_size) + " bytes end before its layers' " +
                  std::to_string(head + total);
        return false;
    }
    const std::uint64_t first_layer = load_le<std::uint32_t>(sizes);
    if (d.chunk_points == 0 || d.chunk_points - 1 > kMostPointsPerByte * first_layer) {
        problem = "the chunk's count of " + std::to_string(d.chunk_points) + " points is not one its " +
                  std::to_string(first_layer) + " bytes of returns and coordinates can hold";
        return false;
    }
    d.chunk_end = static_cast<std::size_t>(head + total);
    const unsigned char *at = d.chunk + static_cast<std::size_t>(head);
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t size = load_le<std::uint32_t>(sizes + 4 * k);
        Layer &layer = d.layers[k];
        layer.present = size > 0 && !layer.skipped;
        if (layer.present) start_range_decoder(layer.range, at, size);
        at += size;
    }
    const unsigned channel = (record[15] >> 4) & 3u;
    for (const ItemSlot &s : d.slots) {
        const unsigned char *p = record + s.offset;
        switch (s.codec) {
        case ItemCodec::point14: start_point14(d.point14[s.state], p); break;
        case ItemCodec::color14: start_color14(d.color14[s.state], p, channel); break;
        case ItemCodec::bytes14: start_bytes14(d.bytes14[s.state], p, channel); break;
        case ItemCodec::wavepacket14: start_wavepacket14(d.wavepacket14[s.state], p, channel); break;
        default: break;
        }
    }
    return true;
}

void decode_layered_record(LazChunkDecoder &d, unsigned char *record) {
    Layer *const layers = d.layers.data();
    // POINT14 comes first and gives the channel of the items after it.
    const unsigned channel = decode_point14(d.point14.front(), layers, record);
    for (std::size_t k = 1; k < d.slots.size(); ++k) {
        const ItemSlot &s = d.slots[k];
        unsigned char *p = record + s.offset;
        switch (s.codec) {
        case ItemCodec::color14: decode_color14(d.color14[s.state], layers + s.layer, channel, p); break;
        case ItemCodec::bytes14: decode_bytes14(d.bytes14[s.state], layers + s.layer, channel, p); break;
        case ItemCodec::wavepacket14: decode_wavepacket14(d.wavepacket14[s.state], layers + s.layer, channel, p); break;
        default: break;
        }
    }
}

}  // namespace

bool setup_layered_decoder(LazChunkDecoder &d, const LaszipVlr &vlr, std::string &problem) {
    d.layered = true;
    std::size_t offset = 0;
    for (std::size_t k = 0; k < vlr.items.size(); ++k) {
        if (!add_layered_slot(d, vlr.items[k], k, offset, problem)) return false;
        offset += vlr.items[k].size;
    }
    d.record_length = offset;
    return true;
}

void skip_fields(LazChunkDecoder &d, unsigned skip) {
    for (const ItemSlot &s : d.slots) {
        if (s.codec == ItemCodec::color14) {
            d.layers[s.layer].skipped = skip & kSkipRgb;
            if (d.color14[s.state].nir) d.layers[s.layer + 1].skipped = skip & kSkipNir;
        }
        if (s.codec == ItemCodec::wavepacket14) d.layers[s.layer].skipped = skip & kSkipWavePackets;
    }
}

bool decode_layered_records(LazChunkDecoder &d, std::uint64_t count, unsigned char *records, std::string &problem) {
    if (count == 0) return true;
    const std::size_t length = d.record_length;
    const std::uint64_t before = d.decoded;
    std::uint64_t k = 0;
    if (before == 0) {
        if (!start_layered_chunk(d, records, problem)) return false;
        k = 1;
        records += length;
    }
    if (before + count > d.chunk_points) {
        problem = "the chunk holds " + std::to_string(d.chunk_points) + " points, fewer than the " +
                  std::to_string(before + count) + " asked for";
        return false;
    }
    for (; k < count; ++k, records += length) decode_layered_record(d, records);
    d.decoded = before + count;
    for (std::size_t j = 0; j < d.layers.size(); ++j) {
        const Layer &layer = d.layers[j];
        if (!layer.present) continue;
        if (layer.range.overrun) {
            problem = "the chunk's bytes end before its record " + std::to_string(d.decoded) + " (in layer " +
                      std::to_string(j + 1) + ")";
            return false;
        }
        if (layer.range.corrupt) {
            problem = "the chunk's layer " + std::to_string(j + 1) + " holds what no LAZ compressor writes";
            return false;
        }
    }
    return true;
}

}  // namespace pointsieve::laz
