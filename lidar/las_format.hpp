// The LAS 1.0 to 1.2 file format as the code sees it: little-endian loads and
// stores, the 227-byte public header image, one layout description per point
// record, and the table of the (version, point format) pairs read, by
// LASType. Internal to the project; not installed.
#pragma once

#include "Korvane_LiDAR.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <type_traits>

namespace korvane {

inline constexpr std::size_t kHeaderBytes = sizeof(LAS12Header);

template <class T>
inline T byte_swap(T v) {
    static_assert(std::is_trivially_copyable_v<T>);
    unsigned char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    for (std::size_t i = 0; i < sizeof(T) / 2; ++i) {
        unsigned char t = b[i];
        b[i] = b[sizeof(T) - 1 - i];
        b[sizeof(T) - 1 - i] = t;
    }
    std::memcpy(&v, b, sizeof(T));
    return v;
}

// Reads a little-endian value of type T from p (any alignment).
template <class T>
inline T load_le(const unsigned char *p) {
    T v;
    std::memcpy(&v, p, sizeof(T));
    if constexpr (std::endian::native == std::endian::big && sizeof(T) > 1) v = byte_swap(v);
    return v;
}

// Writes v to p as little-endian bytes (any alignment).
template <class T>
inline void store_le(unsigned char *p, T v) {
    if constexpr (std::endian::native == std::endian::big && sizeof(T) > 1) v = byte_swap(v);
    std::memcpy(p, &v, sizeof(T));
}

// Turns every multi-byte field of the header between file order and host
// order. Does nothing on a little-endian host, where the packed record is
// already the file image.
inline void header_to_host_order(LAS12Header &h) {
    if constexpr (std::endian::native == std::endian::big) {
        h.FileSourceID = byte_swap(h.FileSourceID);
        h.GlobalEncoding = byte_swap(h.GlobalEncoding);
        h.GUIDData1 = byte_swap(h.GUIDData1);
        h.GUIDData2 = byte_swap(h.GUIDData2);
        h.GUIDData3 = byte_swap(h.GUIDData3);
        h.FileCreationDay = byte_swap(h.FileCreationDay);
        h.FileCreationYear = byte_swap(h.FileCreationYear);
        h.HeaderSize = byte_swap(h.HeaderSize);
        h.OffsetToData = byte_swap(h.OffsetToData);
        h.NumberOfVariableLengthRecords = byte_swap(h.NumberOfVariableLengthRecords);
        h.PointDataRecordLength = byte_swap(h.PointDataRecordLength);
        h.NumberOfPointReturns = byte_swap(h.NumberOfPointReturns);
        for (int k = 0; k < 5; ++k) h.NumberOfPointsByReturn[k] = byte_swap(h.NumberOfPointsByReturn[k]);
        h.XScaleFactor = byte_swap(h.XScaleFactor);
        h.YScaleFactor = byte_swap(h.YScaleFactor);
        h.ZScaleFactor = byte_swap(h.ZScaleFactor);
        h.XOffset = byte_swap(h.XOffset);
        h.YOffset = byte_swap(h.YOffset);
        h.ZOffset = byte_swap(h.ZOffset);
        h.MaxX = byte_swap(h.MaxX);
        h.MinX = byte_swap(h.MinX);
        h.MaxY = byte_swap(h.MaxY);
        h.MinY = byte_swap(h.MinY);
        h.MaxZ = byte_swap(h.MaxZ);
        h.MinZ = byte_swap(h.MinZ);
    } else {
        (void)h;
    }
}

// Decodes a 227-byte header image into a host-order record.
inline LAS12Header decode_header(const unsigned char *bytes) {
    LAS12Header h;
    std::memcpy(&h, bytes, kHeaderBytes);
    header_to_host_order(h);
    return h;
}

// Layout of one point record type: its size on disk and where its fields
// lie, taken from the packed record itself.
template <class Rec>
struct PointLayout {
    static constexpr std::size_t size = sizeof(Rec);
    static constexpr std::size_t x = offsetof(Rec, X);
    static constexpr std::size_t y = offsetof(Rec, Y);
    static constexpr std::size_t z = offsetof(Rec, Z);
    static constexpr std::size_t intensity = offsetof(Rec, Intensity);
    static constexpr std::size_t bitfield = offsetof(Rec, bitfield);
    static constexpr std::size_t classification = offsetof(Rec, Classification);
    static constexpr std::size_t scan_angle_rank = offsetof(Rec, ScanAngleRank);
    static constexpr std::size_t user_data = offsetof(Rec, UserData);
    static constexpr std::size_t point_source_id = offsetof(Rec, PointSourceID);
};

// The (version, point format) pairs this system reads, by LASType: the one
// mapping from a header's version and format to the record size and to
// whether records carry a GPS time. Readers of the records themselves take
// the field offsets from the packed record of the format (PointLayout, and
// with_record_type to choose it).
struct LasTypeInfo {
    std::uint8_t minor;         // version 1.minor
    std::uint8_t format;        // point data format
    std::uint16_t record_size;  // bytes per point record
    bool has_gps_time;          // every record carries a GPS time
};

inline constexpr LasTypeInfo kLasTypes[9] = {
    {},  // LASType 0: a LAS signature with a pair that has no record layout
    {0, 0, sizeof(LAS12fm0), false},
    {0, 1, sizeof(LAS12fm1), true},
    {1, 0, sizeof(LAS12fm0), false},
    {1, 1, sizeof(LAS12fm1), true},
    {2, 0, sizeof(LAS12fm0), false},
    {2, 1, sizeof(LAS12fm1), true},
    {2, 2, sizeof(LAS12fm2), false},
    {2, 3, sizeof(LAS12fm3), true},
};

// The row of a LASType of 1 to 8; nullptr for any other code.
inline constexpr const LasTypeInfo *las_type_info(int type) {
    return type >= 1 && type <= 8 ? &kLasTypes[type] : nullptr;
}

// Records of types 2, 4, 6 and 8 carry a GPS time.
inline constexpr bool type_has_gps_time(int type) {
    const LasTypeInfo *info = las_type_info(type);
    return info && info->has_gps_time;
}

// LASType of a version 1.minor file with the given point format: 1 to 8, or
// 0 when the pair has no record layout here.
inline constexpr std::int16_t las_type_of(unsigned minor, unsigned format) {
    for (int type = 1; type <= 8; ++type)
        if (kLasTypes[type].minor == minor && kLasTypes[type].format == format) return static_cast<std::int16_t>(type);
    return 0;
}

// Calls f with a default-constructed record of the layout that a LASType of
// 1 to 8 reads, so that a template can be instantiated once per layout.
// Returns false, without calling f, for any other code.
template <class F>
inline bool with_record_type(int type, F &&f) {
    const LasTypeInfo *info = las_type_info(type);
    if (!info) return false;
    switch (info->format) {
        case 0: f(LAS12fm0{}); break;
        case 1: f(LAS12fm1{}); break;
        case 2: f(LAS12fm2{}); break;
        default: f(LAS12fm3{}); break;
    }
    return true;
}

// Version numbers and format identifiers print as the character '0' + byte
// (a byte above 9 gives the character 48 places on, modulo 256).
inline int digit_character(unsigned value) { return static_cast<int>(value + '0'); }

}  // namespace korvane
