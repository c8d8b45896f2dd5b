// The coordinate system of a LAS file, from its GeoTIFF keys (LAS 1.0 to
// 1.4 point formats 0 to 5) or its OGC WKT (required for point formats 6
// to 10): the EPSG codes it names, a short name, and the units of its
// horizontal and vertical axes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "vlrs.hpp"

namespace pointsieve::formats {

enum class CrsSource { None, GeoTiff, Wkt };

struct CoordinateSystem {
    CrsSource source = CrsSource::None;
    int horizontal_epsg = 0;   // 0: none named
    int vertical_epsg = 0;     // 0: none named
    std::string name;          // the system's own name, as short as it comes
    // Units as words: "metre", "foot", "us_survey_foot", "degree", or the
    // unit's own name; empty when not known.
    std::string horizontal_unit, vertical_unit;
    // Metres per unit; 0 when not known or not a length.
    double horizontal_metres = 0, vertical_metres = 0;
};

// The system of an OGC WKT text (WKT 1 or WKT 2).
CoordinateSystem crs_from_wkt(std::string_view wkt);

// The system of the GeoTIFF records: the key directory (LASF_Projection
// 34735) with its double (34736) and ASCII (34737) parameters, any of which
// may be empty.
CoordinateSystem crs_from_geotiff(const std::vector<unsigned char> &keys, const std::vector<unsigned char> &doubles,
                                  const std::vector<unsigned char> &ascii);

// The system of a file's records: the WKT record (LASF_Projection 2112)
// when wkt_first or when there are no GeoTIFF keys, else the GeoTIFF keys;
// None when neither is there.
CoordinateSystem coordinate_system(const std::vector<Vlr> &records, bool wkt_first);

// Whether the records hold an OGC WKT coordinate system record.
bool has_wkt_record(const std::vector<Vlr> &records);

// The system in a few characters, what tiles are compared by: "EPSG:26910",
// "EPSG:26910+5703" with a vertical system, else the name; empty for None.
std::string crs_label(const CoordinateSystem &c);

}  // namespace pointsieve::formats
