// The fields of a read tile's row: its header, its coordinate system and
// what its points gave.
#pragma once

#include <cstdint>

#include "accumulate.hpp"
#include "facts.hpp"
#include "crs.hpp"
#include "las_header.hpp"
#include "line_scan.hpp"
#include "point_scan.hpp"

namespace pointsieve::qa {

// What reading one tile gave, for its row.
struct TileRead {
    const formats::HeaderReading *header;
    const formats::CoordinateSystem *crs;
    bool wkt_record;        // an OGC WKT record is there
    const Accumulator *acc;
    const PointScan *scan;
    const TileLines *lines;
    std::uint64_t records;  // whole records read
    std::uint64_t outside;  // of them outside the header's box
    bool truncated;
    std::uint64_t repeated;  // points repeating an earlier one's X, Y and Z
};

// The version and format fields, for any file with a LAS signature.
void set_header_fields(const formats::HeaderReading &h, FactFields &f);

// The fields that reading the points fills.
void set_point_fields(const TileRead &t, FactFields &f);

}  // namespace pointsieve::qa
