// The coordinate system of a LAS file's GeoTIFF records: the key directory
// (little-endian 16-bit words: a header of four, then four a key: its id,
// where its value is, how many values, and the value or where it starts),
// its double parameters and its ASCII ones. Every value is read only where
// its record holds it whole.
#include <cstdint>
#include <string>
#include <vector>

#include "crs.hpp"
#include "crs_parts.hpp"

namespace pointsieve::formats {

namespace {

// Where a key's values are: in the key itself, or in one of the records.
constexpr std::uint16_t kInKey = 0, kInDirectory = 34735, kInAscii = 34737;

// The keys read.
constexpr std::uint16_t kModelType = 1024, kCitation = 1026, kGeographicType = 2048, kGeogCitation = 2049,
                        kGeogLinearUnits = 2052, kGeogAngularUnits = 2054, kProjectedType = 3072,
                        kProjCitation = 3073, kProjLinearUnits = 3076, kVerticalType = 4096, kVerticalUnits = 4099;

// A system or unit code a key may give: 32767 is "user-defined", 0 none.
constexpr int kUserDefined = 32767;

struct GeoKeyRecords {
    const std::vector<unsigned char> &keys, &ascii;
};

std::uint16_t geokey_word(const std::vector<unsigned char> &bytes, std::size_t index) {
    return static_cast<std::uint16_t>(bytes[2 * index] | bytes[2 * index + 1] << 8);
}

// The first word of the key's entry: the index of its entry in the
// directory, or 0 when the directory has no such key. The header's count
// of keys is believed only as far as the directory's bytes go.
std::size_t geokey_entry(const GeoKeyRecords &g, std::uint16_t id) {
    const std::size_t words = g.keys.size() / 2;
    if (words < 4) return 0;
    const std::size_t keys = geokey_word(g.keys, 3);
    for (std::size_t k = 0; k < keys && 4 * (k + 2) <= words; ++k)
        if (geokey_word(g.keys, 4 * (k + 1)) == id) return 4 * (k + 1);
    return 0;
}

// A key's 16-bit value: in its entry, or in the directory's own words;
// false when the key is not there or its value lies outside the directory.
bool geokey_short(const GeoKeyRecords &g, std::uint16_t id, int &value) {
    const std::size_t entry = geokey_entry(g, id);
    if (!entry) return false;
    const std::uint16_t location = geokey_word(g.keys, entry + 1), at = geokey_word(g.keys, entry + 3);
    if (location == kInKey) {
        value = at;
        return true;
    }
    if (location != kInDirectory || at >= g.keys.size() / 2) return false;
    value = geokey_word(g.keys, at);
    return true;
}

// A key's text: its characters in the ASCII record, up to the '|' that
// ends them (or a NUL, or the record's end), without trailing blanks.
std::string geokey_text(const GeoKeyRecords &g, std::uint16_t id) {
    const std::size_t entry = geokey_entry(g, id);
    if (!entry || geokey_word(g.keys, entry + 1) != kInAscii) return {};
    const std::size_t count = geokey_word(g.keys, entry + 2), start = geokey_word(g.keys, entry + 3);
    std::string s;
    for (std::size_t k = start; k < g.ascii.size() && k < start + count; ++k) {
        if (g.ascii[k] == '|' || g.ascii[k] == '\0') break;
        s += static_cast<char>(g.ascii[k]);
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// The EPSG unit codes writers use; an empty word for any other code.
CrsUnit geokey_unit(int code) {
    switch (code) {
    case 9001: return {"metre", 1};
    case 9002: return {"foot", kMetresPerFoot};
    case 9003: return {"us_survey_foot", kMetresPerUsSurveyFoot};
    case 9005: return {"clarke_foot", 0.3047972654};
    case 9014: return {"fathom", 1.8288};
    case 9030: return {"nautical_mile", 1852};
    case 9036: return {"kilometre", 1000};
    case 9093: return {"mile", 1609.344};
    case 9096: return {"yard", 0.9144};
    case 9101: return {"radian", 0};
    case 9102:
    case 9122: return {"degree", 0};
    case 9105: return {"grad", 0};
    default: return {};
    }
}

// The projected systems in metres that are written without their unit often
// enough to be worth knowing: UTM zones on WGS 84, NAD83, NAD27, ETRS89 and
// NAD83(2011), and the web map system.
bool metre_family(int code) {
    return (code >= 32601 && code <= 32660) || (code >= 32701 && code <= 32760) || (code >= 26901 && code <= 26923) ||
           (code >= 26701 && code <= 26722) || (code >= 25828 && code <= 25838) || (code >= 6328 && code <= 6348) ||
           code == 3857;
}

int geokey_system(int code) { return code >= 1 && code < kUserDefined ? code : 0; }

}  // namespace

// None of the keys read keeps its value among the doubles.
CoordinateSystem crs_from_geotiff(const std::vector<unsigned char> &keys, const std::vector<unsigned char> &,
                                  const std::vector<unsigned char> &ascii) {
    const GeoKeyRecords g{keys, ascii};
    CoordinateSystem c;
    c.source = CrsSource::GeoTiff;

    int model = 0, projected = 0, geodetic = 0, unit = 0;
    const bool has_model = geokey_short(g, kModelType, model);
    const bool has_projected = geokey_short(g, kProjectedType, projected);
    geokey_short(g, kGeographicType, geodetic);
    if (has_model ? model == 1 : has_projected) {
        c.horizontal_epsg = geokey_system(projected);
        CrsUnit u;
        if (geokey_short(g, kProjLinearUnits, unit))
            u = geokey_unit(unit);
        else if (metre_family(c.horizontal_epsg))
            u = {"metre", 1};
        c.horizontal_unit = u.word;
        c.horizontal_metres = u.metres;
    } else if (has_model ? model == 2 : geodetic != 0) {
        c.horizontal_epsg = geokey_system(geodetic);
        c.horizontal_unit = geokey_short(g, kGeogAngularUnits, unit) ? geokey_unit(unit).word : "degree";
    } else if (model == 3) {
        // A geocentric system: its code in the same key as a geographic
        // one, its unit in the geographic or the projected linear key.
        c.horizontal_epsg = geokey_system(geodetic);
        if (geokey_short(g, kGeogLinearUnits, unit) || geokey_short(g, kProjLinearUnits, unit)) {
            const CrsUnit u = geokey_unit(unit);
            c.horizontal_unit = u.word;
            c.horizontal_metres = u.metres;
        }
    }

    int vertical = 0;
    if (geokey_short(g, kVerticalType, vertical)) c.vertical_epsg = geokey_system(vertical);
    if (geokey_short(g, kVerticalUnits, unit)) {
        const CrsUnit u = geokey_unit(unit);
        c.vertical_unit = u.word;
        c.vertical_metres = u.metres;
    }

    for (const std::uint16_t id : {kProjCitation, kCitation, kGeogCitation})
        if (c.name.empty()) c.name = geokey_text(g, id);
    return c;
}

}  // namespace pointsieve::formats
