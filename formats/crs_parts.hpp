// What the two readers of a coordinate system share (crs_wkt.cpp and
// crs_geotiff.cpp): the unit words and their lengths in metres.
#pragma once

#include <string>
#include <string_view>

namespace pointsieve::formats {

inline constexpr double kMetresPerFoot = 0.3048;
inline constexpr double kMetresPerUsSurveyFoot = 1200.0 / 3937.0;

// A unit as the record carries it: its word and, for a length, metres per
// unit (0 for an angle or a unit not known).
struct CrsUnit {
    std::string word;
    double metres = 0;
};

// Whether a and b are the same letters but for the case of ASCII letters.
bool crs_same_word(std::string_view a, std::string_view b);

// The unit a WKT text names: the known names (any case) as their words and
// exact lengths, any other name as given with its factor as metres when it
// is a length (length false: an angle, no metres).
CrsUnit crs_unit_named(std::string_view name, double factor, bool length);

}  // namespace pointsieve::formats
