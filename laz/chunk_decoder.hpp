// Decoding the chunks of a LAZ file into LAS point records. A chunk begins
// with its first record whole; the arithmetic-coded rest follows. The
// decoder's state is made once for a file's items and reused from chunk to
// chunk (one a thread, for chunks decoded in parallel); a chunk may be
// decoded all at once or a block of records at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "laszip_vlr.hpp"
#include "layered_items.hpp"
#include "point_items.hpp"
#include "range_decoder.hpp"

namespace pointsieve::laz {

// An item's decoder and where its bytes lie in a record.
enum class ItemCodec : std::uint8_t {
    point10_v1,
    point10_v2,
    gpstime_v1,
    gpstime_v2,
    rgb_v1,
    rgb_v2,
    bytes_v1,
    bytes_v2,
    wavepacket_v1,
    point14,
    color14,
    bytes14,
    wavepacket14,
};

struct ItemSlot {
    ItemCodec codec = ItemCodec::point10_v2;
    std::size_t offset = 0;  // in the record
    std::size_t state = 0;   // index in the decoder's states of its kind
    std::size_t layer = 0;   // in layered chunks, its first layer's index
};

struct LazChunkDecoder {
    std::size_t record_length = 0;
    std::vector<ItemSlot> slots;
    std::vector<Point10Decoder> point10;
    std::vector<GpsTimeDecoder> gpstime;
    std::vector<RgbDecoder> rgb;
    std::vector<BytesDecoder> bytes;
    std::vector<WavePacketDecoder> wavepacket;
    // Compressed in layers (point formats 6 to 10): the items' states and
    // the layers of the chunk under way.
    bool layered = false;
    std::vector<Point14Decoder> point14;
    std::vector<Color14Decoder> color14;
    std::vector<Bytes14Decoder> bytes14;
    std::vector<WavePacket14Decoder> wavepacket14;
    std::vector<Layer> layers;
    std::uint64_t chunk_points = 0;  // as the layered chunk gives them
    std::size_t chunk_end = 0;       // where its last layer ends, in its bytes
    // The chunk under way.
    const unsigned char *chunk = nullptr;
    std::size_t chunk_size = 0;
    std::uint64_t decoded = 0;  // records of it handed out
    RangeDecoder range;
};

// Readies d for the chunks of a file of the laszip VLR's items. False, with
// the reason, for points not compressed, or items in an order or of a
// version LASzip does not write.
bool setup_chunk_decoder(LazChunkDecoder &d, const LaszipVlr &vlr, std::string &problem);

// Fields a caller may leave undecoded, where they lie in layers of their
// own (point formats 7 to 10): the records keep the chunk's first values
// of them, every other field exact. Points compressed point by point
// decode them all.
enum LazSkip : unsigned { kSkipNothing = 0, kSkipRgb = 1, kSkipNir = 2, kSkipWavePackets = 4 };

// After setup_chunk_decoder: the fields of `skip` (LazSkip bits) left
// undecoded from the next chunk on.
void skip_fields(LazChunkDecoder &d, unsigned skip);

// Starts the chunk of `size` bytes at `bytes` (kept by the caller until its
// last record is decoded).
void start_chunk(LazChunkDecoder &d, const unsigned char *bytes, std::size_t size);

// The chunk's next `count` records, at records (count x record_length
// bytes). False, with the reason, when the chunk's bytes end before them
// or hold what no compressor writes, or (layered) the chunk holds fewer;
// nothing is read past the chunk.
bool decode_records(LazChunkDecoder &d, std::uint64_t count, unsigned char *records, std::string &problem);

// The bytes of the chunk under way its records have used so far: once the
// last is decoded, the chunk's size, which is where the next chunk begins
// in a file whose chunk table is lost.
std::size_t chunk_bytes_used(const LazChunkDecoder &d);

// The `points` records of one whole chunk.
bool decode_chunk(const LaszipVlr &vlr, const unsigned char *bytes, std::size_t size, std::uint64_t points,
                  unsigned char *records, std::string &problem);

// The layered compressor's part of these (layered_chunk.cpp).
bool setup_layered_decoder(LazChunkDecoder &d, const LaszipVlr &vlr, std::string &problem);
bool decode_layered_records(LazChunkDecoder &d, std::uint64_t count, unsigned char *records, std::string &problem);

}  // namespace pointsieve::laz
