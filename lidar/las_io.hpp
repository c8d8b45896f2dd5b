// Byte-level access to LAS records: little-endian loads and stores, the
// 227-byte public header image, and one layout description per point record.
// Internal to the library and the command; not installed.
#pragma once

#include "Korvane_LiDAR.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
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

// Encodes a host-order record into its 227-byte file image.
inline void encode_header(LAS12Header h, unsigned char *bytes) {
    header_to_host_order(h);  // the swap is its own inverse
    std::memcpy(bytes, &h, kHeaderBytes);
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
    static constexpr bool has_gps_time = std::is_same_v<Rec, LAS12fm1> || std::is_same_v<Rec, LAS12fm3>;
};

template <class Rec>
inline constexpr std::size_t gps_time_offset() {
    if constexpr (std::is_same_v<Rec, LAS12fm1>) return offsetof(LAS12fm1, GPSTime);
    else return offsetof(LAS12fm3, GPSTime);
}

// Version numbers and format identifiers print as the character '0' + byte
// (a byte above 9 gives the character 48 places on, modulo 256).
inline int digit(unsigned value) { return static_cast<int>(value + '0'); }

// Record size in bytes for a LASType of 1 to 8; 0 for any other code.
inline constexpr std::size_t record_size_for_type(int type) {
    switch (type) {
        case 1: case 3: case 5: return sizeof(LAS12fm0);
        case 2: case 4: case 6: return sizeof(LAS12fm1);
        case 7: return sizeof(LAS12fm2);
        case 8: return sizeof(LAS12fm3);
        default: return 0;
    }
}

// Types 2, 4, 6 and 8 carry a GPS time in every record.
inline constexpr bool type_has_gps_time(int type) {
    return type == 2 || type == 4 || type == 6 || type == 8;
}

// Calls f with a default-constructed record of the layout that a LASType of
// 1 to 8 reads, so that a template can be instantiated once per layout.
// Returns false, without calling f, for any other code.
template <class F>
inline bool with_record_type(int type, F &&f) {
    switch (type) {
        case 1: case 3: case 5: f(LAS12fm0{}); return true;
        case 2: case 4: case 6: f(LAS12fm1{}); return true;
        case 7: f(LAS12fm2{}); return true;
        case 8: f(LAS12fm3{}); return true;
        default: return false;
    }
}

struct FileCloser {
    void operator()(std::FILE *f) const noexcept {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

inline FilePtr open_file(const char *name, const char *mode) {
    return FilePtr(std::fopen(name, mode));
}

// Size of block reads: the largest multiple of the record size that fits in
// 1 MiB, so that every block holds whole records.
inline constexpr std::size_t block_bytes_for(std::size_t record_size) {
    constexpr std::size_t target = std::size_t{1} << 20;
    return (target / record_size) * record_size;
}

// File size through the stream (seeks to the end and back to the start).
// Returns -1 when the size cannot be found.
long long stream_size(std::FILE *f);

// Seeks to an absolute byte offset that may exceed the range of long.
bool seek_to(std::FILE *f, unsigned long long offset);

}  // namespace korvane
