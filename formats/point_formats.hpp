// The point record formats 0 to 10 of the LAS formats: the size of each and
// where its fields lie. Formats 0 to 5 hold the return numbers in 3-bit
// fields and the class in the low 5 bits of the classification byte, with
// its flags above; formats 6 to 10 (LAS 1.4) hold 4-bit return numbers, a
// byte of flags (classification flags, scanner channel, scan direction,
// edge of flight line), an 8-bit class and a 16-bit scan angle in steps of
// 0.006 degrees. A record longer than its format carries extra bytes after
// the format's fields.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pointsieve::formats {

inline constexpr unsigned kLastFormat = 10;

struct PointFormat {
    std::uint16_t size;          // bytes of the format's own fields
    bool extended;               // formats 6 to 10
    std::int16_t gps_time;       // offset of the GPS time, -1 none
    std::int16_t rgb;            // offset of red, green and blue, -1 none
    std::int16_t nir;            // offset of near infrared, -1 none
    std::int16_t wave_packet;    // offset of the 29-byte wave packet descriptor, -1 none
};

inline constexpr PointFormat kPointFormats[kLastFormat + 1] = {
    {20, false, -1, -1, -1, -1},  // 0
    {28, false, 20, -1, -1, -1},  // 1
    {26, false, -1, 20, -1, -1},  // 2
    {34, false, 20, 28, -1, -1},  // 3
    {57, false, 20, -1, -1, 28},  // 4
    {63, false, 20, 28, -1, 34},  // 5
    {30, true, 22, -1, -1, -1},   // 6
    {36, true, 22, 30, -1, -1},   // 7
    {38, true, 22, 30, 36, -1},   // 8
    {59, true, 22, -1, -1, 30},   // 9
    {67, true, 22, 30, 36, 38},   // 10
};

// Fields every format holds at the same place.
inline constexpr std::size_t kX = 0, kY = 4, kZ = 8, kIntensity = 12, kReturnBits = 14;

// Formats 0 to 5.
namespace legacy {
inline constexpr std::size_t kClassification = 15, kScanAngleRank = 16, kUserData = 17, kPointSourceID = 18;
inline constexpr std::size_t kGpsTime = 20;  // formats 1, 3, 4 and 5
}  // namespace legacy

// Formats 6 to 10.
namespace extended {
inline constexpr std::size_t kFlags = 15, kClassification = 16, kUserData = 17, kScanAngle = 18,
                             kPointSourceID = 20, kGpsTime = 22;
// Bits of the flags byte.
inline constexpr unsigned kSynthetic = 1u << 0, kKeyPoint = 1u << 1, kWithheld = 1u << 2, kOverlap = 1u << 3;
inline constexpr unsigned kScannerChannelShift = 4, kScanDirection = 1u << 6, kEdgeOfFlightLine = 1u << 7;
}  // namespace extended

// The lowest LAS 1.x minor version that defines a point format: 0 for 0
// and 1, 2 for 2 and 3, 3 for 4 and 5, 4 for 6 to 10.
inline constexpr unsigned first_minor_of(unsigned format) {
    return format <= 1 ? 0 : format <= 3 ? 2 : format <= 5 ? 3 : 4;
}

}  // namespace pointsieve::formats
