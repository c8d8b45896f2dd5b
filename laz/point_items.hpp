// The decoders of the items of point formats 0 to 5 and their extra bytes,
// as LASzip compresses them point by point: POINT10, GPSTIME11, RGB12 and
// BYTE, in version 2 and in version 1 (LASzip before 2.0, 2011), and
// WAVEPACKET13 (version 1, the only one). Each
// item's state starts over at every chunk from the chunk's first record,
// which is stored whole; then every next record is decoded from the state
// and the range decoder.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "integer_decoder.hpp"
#include "median5.hpp"
#include "range_decoder.hpp"

namespace pointsieve::laz {

// The fields of a POINT10 record (20 bytes), as the decoders keep them.
struct Point10 {
    std::int32_t x = 0, y = 0, z = 0;
    std::uint16_t intensity = 0;
    std::uint8_t returns = 0;  // return number, number of returns, scan direction, edge
    std::uint8_t classification = 0;
    std::uint8_t scan_angle = 0;
    std::uint8_t user_data = 0;
    std::uint16_t point_source = 0;
};

// Symbol models of 256 bytes, one for each value of the byte before,
// reset at their first use in a chunk.
struct ByteModels {
    std::vector<SymbolModel> models = std::vector<SymbolModel>(256);
    std::array<bool, 256> ready{};
};

struct Point10Decoder {
    std::uint16_t version = 2;
    Point10 last;
    // Version 2: by the return's place in its pulse.
    std::array<std::uint16_t, 16> last_intensity{};
    std::array<std::int32_t, 8> last_height{};
    std::array<Median5, 16> x_diffs, y_diffs;
    // Version 1: the last three differences.
    std::array<std::int32_t, 3> last_dx{}, last_dy{};
    unsigned next_diff = 0;
    SymbolModel changed;
    std::array<SymbolModel, 2> scan_angle;  // version 2, by scan direction
    ByteModels returns, classification, user_data;
    IntegerDecoder dx, dy, z, intensity, point_source, scan_angle_v1;
};

struct GpsTimeDecoder {
    std::uint16_t version = 2;  // 3 and 4: POINT14's
    SymbolModel multi, zero_diff;
    IntegerDecoder diffs;
    // Version 2 follows four sequences of times; version 1 the first only.
    std::array<std::uint64_t, 4> last_time{};
    std::array<std::int32_t, 4> last_diff{};
    std::array<std::int32_t, 4> extremes{};
    unsigned last = 0, next = 0;
};

struct RgbDecoder {
    std::uint16_t version = 2;
    std::array<std::uint16_t, 3> last{};
    SymbolModel used;
    std::array<SymbolModel, 6> diff;  // version 2, one a byte
    IntegerDecoder bytes_v1;
};

struct BytesDecoder {
    std::uint16_t version = 2;
    std::vector<unsigned char> last;
    std::vector<SymbolModel> models;  // version 2, one a byte, reset at first use
    std::vector<unsigned char> ready;
    IntegerDecoder bytes_v1;
};

// The 29 bytes of a wave packet descriptor: its index, then the offset of
// its waveform data, the packet's size, the return point's location and
// its x, y and z steps. Also the state of one scanner channel of
// WAVEPACKET14, which codes it the same way.
struct WavePacketDecoder {
    std::array<unsigned char, 29> last{};
    std::uint32_t last_offset_kind = 0;  // how the last offset was coded, 0 to 3
    std::int32_t last_offset_step = 0;   // the last 32-bit step of the offset
    SymbolModel index;
    std::array<SymbolModel, 4> offset_kind;  // by the last kind
    IntegerDecoder offset_step, packet_size, return_point, xyz;
};

// setup_*: sizes the state for an item of the version (and size); start_*:
// a chunk's first record; decode_*: the next record, written at out.
void setup_point10(Point10Decoder &p, std::uint16_t version);
void start_point10(Point10Decoder &p, const unsigned char *first);
void decode_point10_v2(Point10Decoder &p, RangeDecoder &r, unsigned char *out);
void decode_point10_v1(Point10Decoder &p, RangeDecoder &r, unsigned char *out);

void setup_gpstime(GpsTimeDecoder &g, std::uint16_t version);
void start_gpstime(GpsTimeDecoder &g, const unsigned char *first);
void decode_gpstime_v2(GpsTimeDecoder &g, RangeDecoder &r, unsigned char *out);
void decode_gpstime_v1(GpsTimeDecoder &g, RangeDecoder &r, unsigned char *out);
// For POINT14's time layer (version 3 and later): a chunk's first time,
// and the next time of a record whose time changed.
void start_gpstime_at(GpsTimeDecoder &g, std::uint64_t time);
std::uint64_t decode_gpstime_step(GpsTimeDecoder &g, RangeDecoder &r);

void setup_rgb(RgbDecoder &c, std::uint16_t version);
void start_rgb(RgbDecoder &c, const unsigned char *first);
void decode_rgb_v2(RgbDecoder &c, RangeDecoder &r, unsigned char *out);
void decode_rgb_v1(RgbDecoder &c, RangeDecoder &r, unsigned char *out);

void setup_bytes(BytesDecoder &b, std::uint16_t version, std::size_t size);
void start_bytes(BytesDecoder &b, const unsigned char *first);
void decode_bytes_v2(BytesDecoder &b, RangeDecoder &r, unsigned char *out);
void decode_bytes_v1(BytesDecoder &b, RangeDecoder &r, unsigned char *out);

void setup_wavepacket(WavePacketDecoder &w);
void start_wavepacket(WavePacketDecoder &w, const unsigned char *first);
void decode_wavepacket(WavePacketDecoder &w, RangeDecoder &r, unsigned char *out);

// Shared by the versions of an item.
std::uint8_t decode_byte_model(RangeDecoder &r, ByteModels &m, std::uint8_t before);
void write_point10(const Point10 &p, unsigned char *out);

}  // namespace pointsieve::laz
