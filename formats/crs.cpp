// The coordinate system of a file's records: which record it is read from,
// the unit words both readers give, and the short label tiles are compared
// by. The WKT text is read in crs_wkt.cpp, the GeoTIFF keys in
// crs_geotiff.cpp.
#include <cmath>
#include <string>

#include "crs.hpp"
#include "crs_parts.hpp"

namespace pointsieve::formats {

namespace {

constexpr std::uint16_t kWktRecord = 2112, kGeoKeysRecord = 34735, kGeoDoublesRecord = 34736,
                        kGeoAsciiRecord = 34737;

// The first coordinate system record with this id, or null.
const Vlr *projection_record(const std::vector<Vlr> &records, std::uint16_t record_id) {
    for (const Vlr &r : records)
        if (r.record_id == record_id && r.user_id == "LASF_Projection") return &r;
    return nullptr;
}

const std::vector<unsigned char> &payload_of(const Vlr *record) {
    static const std::vector<unsigned char> none;
    return record ? record->data : none;
}

}  // namespace

bool crs_same_word(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t k = 0; k < a.size(); ++k) {
        char x = a[k], y = b[k];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

CrsUnit crs_unit_named(std::string_view name, double factor, bool length) {
    struct Known {
        std::string_view name, word;
        double metres;
    };
    // The names writers give the common units (GDAL, ESRI, PROJ, liblas).
    static const Known known[] = {
        {"metre", "metre", 1},
        {"meter", "metre", 1},
        {"metres", "metre", 1},
        {"meters", "metre", 1},
        {"m", "metre", 1},
        {"foot", "foot", kMetresPerFoot},
        {"feet", "foot", kMetresPerFoot},
        {"international foot", "foot", kMetresPerFoot},
        {"foot_international", "foot", kMetresPerFoot},
        {"ft", "foot", kMetresPerFoot},
        {"US survey foot", "us_survey_foot", kMetresPerUsSurveyFoot},
        {"us_survey_foot", "us_survey_foot", kMetresPerUsSurveyFoot},
        {"foot_us", "us_survey_foot", kMetresPerUsSurveyFoot},
        {"US survey feet", "us_survey_foot", kMetresPerUsSurveyFoot},
        {"ftUS", "us_survey_foot", kMetresPerUsSurveyFoot},
        {"degree", "degree", 0},
        {"degrees", "degree", 0},
        {"deg", "degree", 0},
    };
    for (const Known &k : known)
        if (crs_same_word(name, k.name)) return {std::string(k.word), k.metres};
    CrsUnit u{std::string(name), 0};
    if (length && std::isfinite(factor) && factor > 0) u.metres = factor;
    return u;
}

CoordinateSystem coordinate_system(const std::vector<Vlr> &records, bool wkt_first) {
    const Vlr *wkt = projection_record(records, kWktRecord);
    const Vlr *keys = projection_record(records, kGeoKeysRecord);
    if (wkt && (wkt_first || !keys)) {
        const std::vector<unsigned char> &text = wkt->data;
        return crs_from_wkt(std::string_view(reinterpret_cast<const char *>(text.data()), text.size()));
    }
    if (keys)
        return crs_from_geotiff(keys->data, payload_of(projection_record(records, kGeoDoublesRecord)),
                                payload_of(projection_record(records, kGeoAsciiRecord)));
    return {};
}

bool has_wkt_record(const std::vector<Vlr> &records) { return projection_record(records, kWktRecord) != nullptr; }

std::string crs_label(const CoordinateSystem &c) {
    if (c.source == CrsSource::None) return {};
    const std::string vertical = c.vertical_epsg ? std::to_string(c.vertical_epsg) : std::string();
    if (c.horizontal_epsg)
        return "EPSG:" + std::to_string(c.horizontal_epsg) + (vertical.empty() ? "" : "+" + vertical);
    const std::string horizontal = c.name.empty() ? "unknown" : c.name;
    return vertical.empty() ? horizontal : horizontal + "+EPSG:" + vertical;
}

}  // namespace pointsieve::formats
