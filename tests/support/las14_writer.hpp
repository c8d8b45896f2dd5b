// Crafted LAS files of any version 1.0 to 1.4 and any point format 0 to 10,
// for the tests of the audit's format reader: the header of each version
// (227, 235 or 375 bytes), VLRs before the points and EVLRs after them
// (LAS 1.4), extra bytes after each record, and the records of every format.
// Counts, lengths, offsets and extents follow from the points unless set,
// so that a test can plant a stale one.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "test_support.hpp"

namespace testing_support {

// One point record's fields; which of them are written depends on the
// format.
struct Las14Point {
    int32_t X = 0, Y = 0, Z = 0;
    uint16_t intensity = 0;
    uint8_t return_number = 1, number_of_returns = 1;  // 3 bits each in formats 0-5, 4 in 6-10
    uint8_t classification = 1;                        // 5 bits in formats 0-5, 8 in 6-10
    bool synthetic = false, key_point = false, withheld = false;
    bool overlap = false;         // formats 6-10
    uint8_t scanner_channel = 0;  // formats 6-10: 0 to 3
    bool scan_direction = false, edge = false;
    // Formats 0-5: the scan angle rank in whole degrees (a signed byte);
    // formats 6-10: steps of 0.006 degrees.
    int16_t scan_angle = 0;
    uint8_t user_data = 0;
    uint16_t point_source_id = 0;
    double gps_time = 0.0;
    uint16_t red = 0, green = 0, blue = 0, nir = 0;
    std::array<unsigned char, 29> wave_packet{};
    Bytes extra;  // the record's extra bytes, zero-padded or cut to the recipe's count
};

// A variable-length record (before the points) or an extended one (after
// them, LAS 1.4).
struct VlrRecipe {
    std::string user_id;  // up to 16 bytes
    uint16_t record_id = 0;
    Bytes payload;
    int64_t declared_length = -1;  // -1: the payload's size
    std::string description;
};

struct Las14Recipe {
    uint8_t major = 1, minor = 4, format = 6;
    uint16_t global_encoding = 0;  // bit 0: adjusted standard GPS time; bit 4: WKT
    uint16_t file_source_id = 0;
    double scale[3] = {0.01, 0.01, 0.01};
    double offset[3] = {0, 0, 0};
    bool box_from_points = true;  // false: the min and max below
    double min[3] = {0, 0, 0}, max[3] = {0, 0, 0};
    std::vector<VlrRecipe> vlrs, evlrs;  // EVLRs: LAS 1.4 only
    int extra_bytes = 0;                 // bytes per record past the format's fields
    std::vector<Las14Point> points;
    // Overrides; unset (-1 or empty) they follow from the rest.
    int record_length = -1;
    int header_size = -1;
    int64_t offset_to_points = -1;
    int64_t legacy_points = -1;
    std::optional<std::array<uint32_t, 5>> legacy_by_return;
    int64_t points64 = -1;  // LAS 1.4
    std::optional<std::array<uint64_t, 15>> by_return64;
};

// The header bytes each version defines.
std::size_t las_header_size(uint8_t minor);
// The size of a record of point format 0 to 10 (0 past 10).
std::size_t las_format_size(unsigned format);
// The encoding of one point in a format, with extra_bytes after it.
Bytes encode_las14_point(const Las14Point &p, unsigned format, int extra_bytes);
// The points' counts by return number 1 to 15.
std::array<uint64_t, 15> count_by_return(const std::vector<Las14Point> &points);
// The bytes of one VLR, header and payload.
Bytes vlr_image(const VlrRecipe &v);
// The whole file image of a recipe.
Bytes build_las14(const Las14Recipe &recipe);
// Writes build_las14(recipe) to path and returns path.
std::string write_las14(const std::string &path, const Las14Recipe &recipe);

// The OGC WKT (WKT 1) of NAD83 / UTM zone N north (EPSG 26901 to 26923, in
// metres), compounded with NAVD88 height (EPSG 5703) when vertical.
std::string nad83_utm_wkt(int epsg, bool vertical);
// The OGC WKT coordinate system record (LASF_Projection 2112), NUL-terminated.
VlrRecipe wkt_vlr(const std::string &wkt);
// The GeoTIFF key directory (LASF_Projection 34735) of a projected system:
// GTModelType 1, ProjectedCSType epsg, ProjLinearUnits linear_unit (9001
// metre, 9002 foot, 9003 US survey foot), and VerticalCSType and
// VerticalUnits when vertical_epsg is set.
VlrRecipe geotiff_vlr(int epsg, int linear_unit, int vertical_epsg = 0, int vertical_unit = 0);

}  // namespace testing_support
