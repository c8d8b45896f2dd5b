// The coordinate system of WKT texts and GeoTIFF keys: one table of what
// writers produce (the payloads of real files among them) and of hostile
// texts and directories, then which record a file's system comes from.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "crs.hpp"
#include "test_support.hpp"

using namespace pointsieve::formats;
using testing_support::Bytes;
using namespace std::string_literals;

namespace {

constexpr double kFt = 0.3048, kUsFt = 1200.0 / 3937.0;

Bytes crs_data(const std::string &name) { return testing_support::read_file(testing_support::data_file("formats/" + name)); }

std::string crs_text(const std::string &name) {
    const Bytes b = crs_data(name);
    return std::string(b.begin(), b.end());
}

Bytes crs_bytes(const std::string &s) { return Bytes(s.begin(), s.end()); }

// A key directory: the header (version 1.1.0, the number of keys given, or
// of the words that follow) and the words, little-endian.
Bytes geokeys(std::initializer_list<std::uint16_t> words, int declared = -1) {
    Bytes b;
    const auto put = [&b](unsigned w) {
        b.push_back(static_cast<unsigned char>(w & 0xFF));
        b.push_back(static_cast<unsigned char>(w >> 8));
    };
    for (const unsigned w : {1u, 1u, 0u, declared < 0 ? unsigned(words.size() / 4) : unsigned(declared)}) put(w);
    for (const std::uint16_t w : words) put(w);
    return b;
}

CoordinateSystem geotiff(const Bytes &keys, const std::string &ascii = "") { return crs_from_geotiff(keys, {}, crs_bytes(ascii)); }

struct CrsCase {
    const char *what;
    CoordinateSystem got;
    std::string label, name, horizontal_unit;
    double horizontal_metres;
    std::string vertical_unit;
    double vertical_metres;
};

const std::string kUtm10 =
    R"(PROJCS["NAD83 / UTM zone 10N",GEOGCS["NAD83",DATUM["North_American_Datum_1983",SPHEROID["GRS 1980",6378137,)"
    R"(298.257222101,AUTHORITY["EPSG","7019"]],AUTHORITY["EPSG","6269"]],PRIMEM["Greenwich",0],UNIT["degree",)"
    R"(0.0174532925199433],AUTHORITY["EPSG","4269"]],PROJECTION["Transverse_Mercator"],UNIT["metre",1,)"
    R"(AUTHORITY["EPSG","9001"]],AUTHORITY["EPSG","26910"]])";

// WKT 2 as PROJ writes it: the units of the conversion's parameters, of the
// base system and of the axes, an ID on each.
const std::string kUtm10Wkt2 =
    R"(PROJCRS["NAD83 / UTM zone 10N",BASEGEOGCRS["NAD83",DATUM["North American Datum 1983",ELLIPSOID["GRS 1980",)"
    R"(6378137,298.257222101,LENGTHUNIT["metre",1]]],PRIMEM["Greenwich",0,ANGLEUNIT["degree",0.0174532925199433]],)"
    R"(ID["EPSG",4269]],CONVERSION["UTM zone 10N",METHOD["Transverse Mercator",ID["EPSG",9807]],PARAMETER[)"
    R"("False easting",500000,LENGTHUNIT["metre",1],ID["EPSG",8806]],ID["EPSG",16010]],CS[Cartesian,2],)"
    R"w(AXIS["(E)",east,ORDER[1],LENGTHUNIT["foot",0.3048]],AXIS["(N)",north,ORDER[2],LENGTHUNIT["foot",0.3048]],)w"
    R"(ID["EPSG",26910]])";

const std::string kNavd88Ft =
    R"w(VERTCRS["NAVD88 height (ftUS)",VDATUM["North American Vertical Datum 1988"],CS[vertical,1],AXIS[)w"
    R"w("gravity-related height (H)",up,LENGTHUNIT["US survey foot",0.304800609601219]],ID["EPSG",6360]])w";

const std::string kWgs84Wkt2 =
    R"(GEOGCRS["WGS 84",DATUM["World Geodetic System 1984",ELLIPSOID["WGS 84",6378137,298.257223563]],CS[ellipsoidal,2],)"
    R"w(AXIS["geodetic latitude (Lat)",north,ANGLEUNIT["degree",0.0174532925199433]],ID["EPSG",4326]])w";

std::string repeated(const std::string &s, int n) {
    std::string r;
    for (int k = 0; k < n; ++k) r += s;
    return r;
}

TEST(CoordinateSystem, WktTextsAndGeoTiffKeys) {
    const std::string f6 = crs_text("f6_v14.wkt");
    const std::vector<CrsCase> cases = {
        // OGC WKT 1.
        {"f6_v14.las: projected, metres", crs_from_wkt(f6), "EPSG:26910", "NAD83 / UTM zone 10N", "metre", 1, "", 0},
        {"compound: the projected system's own code, not its datum's; () brackets",
         crs_from_wkt(R"(COMPD_CS("NAD83 / UTM zone 10N + NAVD88 height",)" + kUtm10 +
                      R"(,VERT_CS["NAVD88 height",VERT_DATUM["North American Vertical Datum 1988",2005,)"
                      R"(AUTHORITY["EPSG","5103"]],UNIT["metre",1],AXIS["Up",UP],AUTHORITY["EPSG","5703"]]))"),
         "EPSG:26910+5703", "NAD83 / UTM zone 10N + NAVD88 height", "metre", 1, "metre", 1},
        {"test1_4.las: US survey feet, a vertical system inside the projected one", crs_from_wkt(crs_text("test1_4.wkt")),
         "EPSG:2903+5703", "NAD83(HARN) / New Mexico Central (ftUS)", "us_survey_foot", kUsFt, "us_survey_foot", kUsFt},
        {"autzen_trim.las: feet, no code", crs_from_wkt(crs_text("autzen_trim.wkt")),
         "NAD_1983_HARN_Lambert_Conformal_Conic", "NAD_1983_HARN_Lambert_Conformal_Conic", "foot", kFt, "", 0},
        {"geographic", crs_from_wkt(R"(GEOGCS["WGS 84",DATUM["WGS_1984",SPHEROID["WGS 84",6378137,298.257223563]],)"
                                    R"(UNIT["degree",0.0174532925199433],AUTHORITY["EPSG","4326"]])"),
         "EPSG:4326", "WGS 84", "degree", 0, "", 0},
        {"ESRI's Foot_US, a doubled quote, lower-case keyword",
         crs_from_wkt(R"(local_cs["site ""A"" grid",UNIT["Foot_US",0.3048006096012192]])"), "site \"A\" grid",
         "site \"A\" grid", "us_survey_foot", kUsFt, "", 0},
        {"a unit of another name keeps it", crs_from_wkt(R"(PROJCS["chains",UNIT["link",0.201168]])"), "chains", "chains",
         "link", 0.201168, "", 0},
        // OGC WKT 2.
        {"projected, feet on the axes", crs_from_wkt(kUtm10Wkt2), "EPSG:26910", "NAD83 / UTM zone 10N", "foot", kFt, "",
         0},
        {"geographic", crs_from_wkt(kWgs84Wkt2), "EPSG:4326", "WGS 84", "degree", 0, "", 0},
        {"a compound as the source of a bound system",
         crs_from_wkt(R"w(BOUNDCRS[SOURCECRS[COMPOUNDCRS["NAD83 / UTM zone 10N + NAVD88 height (ftUS)",)w" + kUtm10Wkt2 +
                      "," + kNavd88Ft + "]],TARGETCRS[" + kWgs84Wkt2 +
                      R"(],ABRIDGEDTRANSFORMATION["NAD83 to WGS 84",METHOD["Geocentric translations"]]])"),
         "EPSG:26910+6360", "NAD83 / UTM zone 10N + NAVD88 height (ftUS)", "foot", kFt, "us_survey_foot", kUsFt},
        {"vertical alone", crs_from_wkt(kNavd88Ft), "NAVD88 height (ftUS)+EPSG:6360", "NAVD88 height (ftUS)", "", 0,
         "us_survey_foot", kUsFt},
        // GeoTIFF keys.
        {"f1_v12.las: projected, metres", geotiff(crs_data("f1_v12.geokeys")), "EPSG:26910", "", "metre", 1, "", 0},
        {"autzen_trim.las: user-defined, feet, the citation",
         crs_from_geotiff(crs_data("autzen_trim.geokeys"), crs_data("autzen_trim.geodoubles"),
                          crs_data("autzen_trim.geoascii")),
         "NAD_1983_HARN_Lambert_Conformal_Conic", "NAD_1983_HARN_Lambert_Conformal_Conic", "foot", kFt, "", 0},
        {"UTM without a unit key: metres", geotiff(geokeys({1024, 0, 1, 1, 3072, 0, 1, 32633})), "EPSG:32633", "",
         "metre", 1, "", 0},
        {"another system without a unit key: not guessed", geotiff(geokeys({3072, 0, 1, 2994})), "EPSG:2994", "", "", 0,
         "", 0},
        {"geographic, vertical in US survey feet",
         geotiff(geokeys({1024, 0, 1, 2, 2048, 0, 1, 4326, 2054, 0, 1, 9102, 4096, 0, 1, 5703, 4099, 0, 1, 9003})),
         "EPSG:4326+5703", "", "degree", 0, "us_survey_foot", kUsFt},
        {"PCS citation before GT citation; a code in the directory's own words",
         geotiff(geokeys({1024, 0, 1, 1, 1026, 34737, 8, 0, 3072, 34735, 1, 20, 3073, 34737, 9, 8, 26910}),
                 "GT name|PCS name|"),
         "EPSG:26910", "PCS name", "metre", 1, "", 0},
        // Hostile input: what can be read, nothing more.
        {"empty text", crs_from_wkt(""), "unknown", "", "", 0, "", 0},
        {"text cut before its unit", crs_from_wkt(f6.substr(0, f6.find(R"(UNIT["metre")"))), "NAD83 / UTM zone 10N",
         "NAD83 / UTM zone 10N", "", 0, "", 0},
        {"text cut in a string", crs_from_wkt(R"(PROJCS["NAD83 / UTM)"), "NAD83 / UTM", "NAD83 / UTM", "", 0, "", 0},
        {"stray closing brackets end the system",
         crs_from_wkt(R"(PROJCS["a",UNIT["metre",1]]]]),AUTHORITY["EPSG","26910"])"), "a", "a", "metre", 1, "", 0},
        {"100000 nested nodes passed over",
         crs_from_wkt(R"(PROJCS["deep",)" + repeated("A[", 100000) + std::string(100000, ']') +
                      R"(,UNIT["ft",1],AUTHORITY["EPSG","2994"]])"),
         "EPSG:2994", "deep", "foot", kFt, "", 0},
        {"100000 opening brackets", crs_from_wkt(std::string(100000, '[')), "unknown", "", "", 0, "", 0},
        {"100000 nested compounds", crs_from_wkt(repeated(R"(COMPD_CS["c",)", 100000)), "c", "c", "", 0, "", 0},
        {"more nodes than are made: the rest passed over",
         crs_from_wkt(R"(PROJCS["many",)" + repeated("A[1],", 200000) + R"(UNIT["metre",1]])"), "many", "many", "",
         0, "", 0},
        {"directory counting 50 keys, holding 2 and an odd byte", [] {
             Bytes b = geokeys({1024, 0, 1, 1, 3072, 0, 1, 26910}, 50);
             b.push_back(7);
             return geotiff(b);
         }(), "EPSG:26910", "", "metre", 1, "", 0},
        {"values outside the directory and the text",
         geotiff(geokeys({1024, 0, 1, 1, 3072, 34735, 1, 9999, 3073, 34737, 9, 90, 1026, 34737, 60, 2}), "abc"),
         "c", "c", "", 0, "", 0},
        {"a directory shorter than its header", geotiff({1, 0, 1}), "unknown", "", "", 0, "", 0},
    };
    for (const CrsCase &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(crs_label(c.got), c.label);
        EXPECT_EQ(c.got.name, c.name);
        EXPECT_EQ(c.got.horizontal_unit, c.horizontal_unit);
        EXPECT_DOUBLE_EQ(c.got.horizontal_metres, c.horizontal_metres);
        EXPECT_EQ(c.got.vertical_unit, c.vertical_unit);
        EXPECT_DOUBLE_EQ(c.got.vertical_metres, c.vertical_metres);
    }
}

Vlr projection(std::uint16_t id, Bytes data, const char *user = "LASF_Projection") {
    Vlr r;
    r.user_id = user;
    r.record_id = id;
    r.length = data.size();
    r.data = std::move(data);
    return r;
}

// Which record the system comes from, as the header's flag and the records
// there choose; the WKT text ends at its first NUL.
TEST(CoordinateSystem, ChosenRecord) {
    const std::vector<Vlr> autzen = {projection(34735, crs_data("autzen_trim.geokeys")),
                                     projection(34736, crs_data("autzen_trim.geodoubles")),
                                     projection(34737, crs_data("autzen_trim.geoascii")),
                                     projection(2112, crs_data("autzen_trim.wkt"))};
    const std::vector<Vlr> wkt_only = {projection(2112, crs_bytes("GEOGCS[\"x\"]\0PROJCS[\"y\"]"s))};
    const std::vector<Vlr> keys_only = {projection(34735, crs_data("f1_v12.geokeys"))};
    const std::vector<Vlr> others = {projection(2112, crs_bytes("GEOGCS[\"x\"]"), "liblas"),
                                     projection(34735, crs_data("f1_v12.geokeys"), "liblas")};
    const std::vector<Vlr> empty_wkt = {projection(2112, {})};
    struct {
        const std::vector<Vlr> &records;
        bool wkt_first;
        CrsSource source;
        std::string label;
        bool wkt_record;
    } const cases[] = {
        {autzen, true, CrsSource::Wkt, "NAD_1983_HARN_Lambert_Conformal_Conic", true},
        {autzen, false, CrsSource::GeoTiff, "NAD_1983_HARN_Lambert_Conformal_Conic", true},
        {wkt_only, false, CrsSource::Wkt, "x", true},
        {keys_only, true, CrsSource::GeoTiff, "EPSG:26910", false},
        {others, true, CrsSource::None, "", false},
        {empty_wkt, true, CrsSource::Wkt, "unknown", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << "expected " << c.label << ", wkt_first " << c.wkt_first);
        const CoordinateSystem s = coordinate_system(c.records, c.wkt_first);
        EXPECT_EQ(s.source, c.source);
        EXPECT_EQ(crs_label(s), c.label);
        EXPECT_EQ(has_wkt_record(c.records), c.wkt_record);
    }
}

}  // namespace
