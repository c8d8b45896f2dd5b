// The public header block of a LAS file, versions 1.0 to 1.4, decoded into
// a plain host-order record: the 227 bytes of LAS 1.0 to 1.2, the start of
// the waveform data of LAS 1.3 (235 bytes) and the extended records and
// 64-bit counts of LAS 1.4 (375 bytes). A larger header is read up to what
// its version defines; the bytes past it belong to the writer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "point_formats.hpp"

namespace pointsieve::formats {

inline constexpr std::size_t kHeaderBytes12 = 227, kHeaderBytes13 = 235, kHeaderBytes14 = 375;
// The most header bytes any version defines: what a reader reads first.
inline constexpr std::size_t kHeaderBytesMost = kHeaderBytes14;

struct LasHeader {
    std::uint16_t FileSourceID = 0;
    std::uint16_t GlobalEncoding = 0;
    std::uint8_t VersionMajor = 0, VersionMinor = 0;
    std::uint16_t HeaderSize = 0;
    std::uint32_t OffsetToPointData = 0;
    std::uint32_t NumberOfVariableLengthRecords = 0;
    std::uint8_t PointDataFormatID = 0;     // as stored: bits 6 and 7 mark compressed records
    std::uint16_t PointDataRecordLength = 0;
    std::uint32_t LegacyNumberOfPoints = 0;
    std::array<std::uint32_t, 5> LegacyNumberOfPointsByReturn{};
    double XScaleFactor = 0, YScaleFactor = 0, ZScaleFactor = 0;
    double XOffset = 0, YOffset = 0, ZOffset = 0;
    double MaxX = 0, MinX = 0, MaxY = 0, MinY = 0, MaxZ = 0, MinZ = 0;
    std::uint64_t StartOfWaveformData = 0;  // LAS 1.3 and later
    std::uint64_t StartOfFirstEVLR = 0;     // LAS 1.4
    std::uint32_t NumberOfEVLRs = 0;        // LAS 1.4
    std::uint64_t NumberOfPointRecords = 0; // LAS 1.4
    std::array<std::uint64_t, 15> NumberOfPointsByReturn{};  // LAS 1.4
};

// Global encoding bits.
inline constexpr std::uint16_t kStandardGpsTime = 1u << 0;  // adjusted standard GPS time (LAS 1.2 on)
inline constexpr std::uint16_t kInternalWaveforms = 1u << 1;  // waveform data follow the points (LAS 1.3 on)
inline constexpr std::uint16_t kWktCrs = 1u << 4;           // the coordinate system is OGC WKT (LAS 1.4)

// Why a header cannot be read, or None.
enum class HeaderProblem {
    None,
    NotLas,          // no "LASF" signature, or fewer bytes than the 1.0 header
    BadMajor,        // major version other than 1
    BadMinor,        // minor version above 4
    BadFormat,       // a point format no version defines (above 10)
    UnhandledPair,   // a point format the file's version does not define
    BadLength,       // records shorter than their format
    ShortHeader,     // a header size smaller than its version's header
    CutHeader,       // the file ends inside its version's header
    BadOffset,       // the points start inside the header
    BadScale,        // a scale factor or offset that gives no meaningful coordinates
};

struct HeaderReading {
    HeaderProblem problem = HeaderProblem::NotLas;
    LasHeader header;
    bool compressed = false;  // the format's bit 7 (or 6) is set: LAZ records
    unsigned format = 0;      // the point format, compression bits cleared
    int bad_axis = -1;        // BadScale: 0, 1 or 2 for X, Y or Z
};

// Coordinates beyond this many units from 0 are taken for a broken scale
// factor or offset: no survey lies so far, and a double no longer holds
// a centimetre there.
inline constexpr double kFarthestCoordinate = 1e15;

// Decodes the first n bytes of a file (n may be less than a whole header:
// a file cut short) and checks what every version requires of them.
HeaderReading read_las_header(const unsigned char *bytes, std::size_t n);

// Why a header is refused, in words: those of the LAS 1.0 to 1.2 reader
// for the refusals it shares ("Cannot handle las files of version 2.x").
std::string header_problem_text(const HeaderReading &r);

// The number of point records the header declares: the 64-bit count of LAS
// 1.4 where it is set, else the legacy count.
std::uint64_t declared_records(const LasHeader &h);

// The header's count of points by return, return numbers 1 to 15 (legacy
// counts 1 to 5 before LAS 1.4; and in a LAS 1.4 file whose 64-bit counts
// are all zero while its legacy ones are not).
std::array<std::uint64_t, 15> declared_by_return(const LasHeader &h);

// The number of the six legacy counts (points and five by return) of a
// LAS 1.4 header that are neither zero nor equal to their 64-bit count.
// 0 for earlier versions.
unsigned stale_legacy_counts(const LasHeader &h);

// The version as "1.4", its two bytes as numbers ("174.251" for bytes
// that are no version).
std::string version_text(const LasHeader &h);

}  // namespace pointsieve::formats
