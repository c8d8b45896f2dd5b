// The items of point formats 6 to 10 as LASzip compresses them in layers:
// POINT14, RGB14, RGBNIR14, WAVEPACKET14 and BYTE14 (versions 3 and 4). A
// chunk's first record is stored whole; each field of the rest is then its
// own arithmetic-coded stream (a layer), empty when the field never
// changes in the chunk. All layers are decoded side by side, a record at a
// time, so that a chunk costs no memory beyond its own bytes. Every item
// keeps its state apart for each of the four scanner channels. POINT14
// follows the records' channels; the items after it are handed, as
// LASzip 3.4 hands them, the channel of a record where it changed and
// channel 0 for every other record.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "integer_decoder.hpp"
#include "point_items.hpp"
#include "range_decoder.hpp"

namespace pointsieve::laz {

// One layer of a chunk: its decoder, started when it holds bytes and is
// wanted.
struct Layer {
    RangeDecoder range;
    bool present = false;
    bool skipped = false;  // not wanted: its field keeps the chunk's first value
};

// The layers of POINT14, in their order in a chunk.
enum Point14Layer : std::size_t {
    kReturnsXyLayer,  // what changed, the scanner channel, the returns, x and y
    kZLayer,
    kClassificationLayer,
    kFlagsLayer,
    kIntensityLayer,
    kScanAngleLayer,
    kUserDataLayer,
    kPointSourceLayer,
    kGpsTimeLayer,
    kPoint14Layers,
};

// Symbol models chosen by a context, each reset at its first use.
struct LazyModels {
    std::vector<SymbolModel> models;
    std::vector<unsigned char> ready;
    std::uint32_t symbols = 0;
};

void setup_lazy_models(LazyModels &m, std::size_t count, std::uint32_t symbols);

POINTSIEVE_LAZ_INLINE std::uint32_t decode_lazy(RangeDecoder &r, LazyModels &m, std::uint32_t context) {
    if (!m.ready[context]) {
        reset_symbol_model(m.models[context], m.symbols);
        m.ready[context] = 1;
    }
    return decode_symbol(r, m.models[context]);
}

// The fields of a POINT14 record (30 bytes).
struct Point14 {
    std::int32_t x = 0, y = 0, z = 0;
    std::uint16_t intensity = 0;
    std::uint8_t return_number = 0, number_of_returns = 0;  // 4 bits each
    std::uint8_t flags = 0;  // edge of flight line (bit 5), scan direction (4), classification flags (0 to 3)
    std::uint8_t channel = 0;
    std::uint8_t classification = 0, user_data = 0;
    std::int16_t scan_angle = 0;
    std::uint16_t point_source = 0;
    std::uint64_t gps_time = 0;
    bool gps_time_changed = false;  // from the record before
};

// The state of one scanner channel.
struct Point14Channel {
    Point14 last;
    std::array<std::uint16_t, 8> last_intensity{};  // by kind of return and whether the time changed
    std::array<std::int32_t, 8> last_z{};           // by the return's depth in its pulse
    std::array<Median5, 12> x_diffs, y_diffs;        // by kind of return and whether the time changed
    std::array<SymbolModel, 8> changed;              // by the record before
    SymbolModel channel_step, return_step;
    LazyModels number_of_returns, return_number, classification, flags, user_data;
    IntegerDecoder dx, dy, z, intensity, scan_angle, point_source;
    GpsTimeDecoder gps;
};

struct Point14Decoder {
    std::array<Point14Channel, 4> channels;
    std::array<bool, 4> used{};  // in this chunk
    unsigned current = 0;
};

// The channels of an item after POINT14. LASzip 3.4 (version 3), on the
// first record after a switch back to a channel used before, predicts
// from the last values of the channel before, and stores the record's
// values there; version 4 keeps to the record's channel.
struct ChannelFollow {
    std::uint16_t version = 3;
    unsigned current = 0;
    std::array<bool, 4> used{};
};

// Which state a record of `channel` uses: models of one channel, last
// values of another (the same but in that case); `start` when the
// channel is new in the chunk, to start from the values of `from`.
struct ChannelUse {
    unsigned models = 0, values = 0, from = 0;
    bool start = false;
};

ChannelUse follow_channel(ChannelFollow &f, unsigned channel);

// The NIR of RGBNIR14: its two bytes, each coded as a step from the last.
struct NirDecoder {
    std::uint16_t last = 0;
    SymbolModel used;
    std::array<SymbolModel, 2> diff;
};

// RGB14 (nir false) or RGBNIR14: the colour as RGB12 codes it, the NIR in
// a layer of its own.
struct Color14Decoder {
    ChannelFollow follow;
    bool nir = false;
    std::array<RgbDecoder, 4> rgb;
    std::array<NirDecoder, 4> near_infrared;
};

// BYTE14: each extra byte in a layer of its own.
struct Bytes14Decoder {
    ChannelFollow follow;
    std::array<BytesDecoder, 4> channels;
};

struct WavePacket14Decoder {
    ChannelFollow follow;
    std::array<WavePacketDecoder, 4> channels;
};

// setup_*: sizes the state for an item of the version (and size); start_*:
// a chunk's first record; decode_*: the next record, at out, from the
// item's layers. decode_point14 gives the channel for the items after
// it: the record's where it changed, else 0.
void setup_point14(Point14Decoder &p);
void start_point14(Point14Decoder &p, const unsigned char *first);
unsigned decode_point14(Point14Decoder &p, Layer *layers, unsigned char *out);

void setup_color14(Color14Decoder &c, std::uint16_t version, bool nir);
void start_color14(Color14Decoder &c, const unsigned char *first, unsigned channel);
void decode_color14(Color14Decoder &c, Layer *layers, unsigned channel, unsigned char *out);

void setup_bytes14(Bytes14Decoder &b, std::uint16_t version, std::size_t size);
void start_bytes14(Bytes14Decoder &b, const unsigned char *first, unsigned channel);
void decode_bytes14(Bytes14Decoder &b, Layer *layers, unsigned channel, unsigned char *out);

void setup_wavepacket14(WavePacket14Decoder &w, std::uint16_t version);
void start_wavepacket14(WavePacket14Decoder &w, const unsigned char *first, unsigned channel);
void decode_wavepacket14(WavePacket14Decoder &w, Layer *layers, unsigned channel, unsigned char *out);

}  // namespace pointsieve::laz
