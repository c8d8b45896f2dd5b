// The generated LAS 1.4 delivery: 25 m tiles on a grid in NAD83 / UTM zone
// 10N with NAVD88 heights, about 3,000 points each in pulses of up to seven
// returns (some 4.9 points and 2.9 first returns per square metre), two
// scanner channels, a few points in overlap, adjusted standard GPS time near
// 3.5e8 s. Every tile's header follows from its points unless its defect is
// in the header.
#include "delivery14.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <random>
#include <set>

#include "las14_writer.hpp"

namespace qa_delivery {

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

constexpr double kScale = 0.01, kX0 = 500000.0, kY0 = 4100000.0, kCell = 25.0;
constexpr double kUsSurveyFoot = 1200.0 / 3937.0;

// What the tile's coordinate system records say, as tiles.csv gives it.
struct Crs {
    const char *label, *source, *horizontal_unit, *vertical_unit;
    double metres;  // per horizontal unit; 0: not known
};
const Crs kDelivery = {"EPSG:26910+5703", "wkt", "metre", "metre", 1.0};
const Crs kDeliveryKeys = {"EPSG:26910+5703", "geotiff", "metre", "metre", 1.0};

// A clean tile of about `count` points in grid cell (col, row).
Las14Recipe tile(unsigned seed, uint8_t minor, uint8_t format, int col, int row, int count = 3000) {
    std::mt19937 rng(seed);
    const auto unit = [&] { return rng() / 4294967296.0; };
    Las14Recipe r;
    r.minor = minor, r.format = format;
    r.offset[0] = kX0, r.offset[1] = kY0;
    r.global_encoding = minor >= 2 ? 1 : 0;
    if (minor >= 4 && format >= 6) {
        r.global_encoding |= 16;
        r.vlrs.push_back(wkt_vlr(nad83_utm_wkt(26910, true)));
    } else {
        r.vlrs.push_back(geotiff_vlr(26910, 9001, 5703, 9001));
    }
    const double x0 = col * kCell, y0 = row * kCell, t0 = 3.5e8 + 50.0 * seed;
    for (int pulse = 0; static_cast<int>(r.points.size()) < count; ++pulse) {
        const double x = x0 + 0.25 + 24.5 * unit(), y = y0 + 0.25 + 24.5 * unit();
        const double ground = 120.0 + 3.0 * std::sin(x / 7.0) + 2.0 * std::cos(y / 5.0);
        const int returns = rng() % 5 == 0 ? 2 + static_cast<int>(rng() % 6) : 1;
        const bool overlap = rng() % 20 == 0;
        for (int k = 1; k <= returns; ++k) {
            Las14Point p;
            const double h = k < returns ? (returns - k) * (1.0 + 3.0 * unit()) : 0.0;
            p.X = static_cast<int32_t>(std::lround(x / kScale));
            p.Y = static_cast<int32_t>(std::lround(y / kScale));
            p.Z = static_cast<int32_t>(std::lround((ground + h) / kScale));
            p.return_number = static_cast<uint8_t>(k), p.number_of_returns = static_cast<uint8_t>(returns);
            p.classification = k < returns ? (h < 2.0 ? 3 : h < 5.0 ? 4 : 5) : rng() % 50 == 0 ? 1 : 2;
            p.intensity = static_cast<uint16_t>(p.classification * 120 + rng() % 300);
            p.overlap = format >= 6 && overlap;
            p.scanner_channel = static_cast<uint8_t>(pulse % 2);
            p.scan_direction = pulse % 3 == 0, p.edge = pulse % 97 == 0;
            const int degrees = static_cast<int>(rng() % 37) - 18;
            p.scan_angle = static_cast<int16_t>(format >= 6 ? degrees * 166 + static_cast<int>(rng() % 100) : degrees);
            p.user_data = static_cast<uint8_t>(rng() % 4);
            p.point_source_id = static_cast<uint16_t>(10 + seed % 3 + pulse % 2);
            p.gps_time = t0 + pulse * 0.0005;
            p.red = static_cast<uint16_t>(rng() % 65536), p.green = static_cast<uint16_t>(p.classification * 4000);
            p.blue = static_cast<uint16_t>(rng() % 65536), p.nir = static_cast<uint16_t>(rng() % 65536);
            p.wave_packet[0] = 0;  // no waveform
            r.points.push_back(p);
        }
    }
    return r;
}

std::string number(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.17g", v);
    return text;
}

// The tile's values of the new tiles.csv columns, from its recipe.
std::vector<std::pair<std::string, std::string>> columns_of(const Las14Recipe &r, const Crs &crs) {
    const bool v14 = r.minor >= 4, extended = r.format >= 6;
    std::vector<std::pair<std::string, std::string>> c = {
        {"crs", crs.label}, {"crs_source", crs.source}, {"horizontal_unit", crs.horizontal_unit},
        {"vertical_unit", crs.vertical_unit}, {"wkt_bit", v14 ? (r.global_encoding & 16 ? "1" : "0") : ""},
        {"extra_bytes", std::to_string(r.extra_bytes)}};
    // The header's legacy counts as the writer leaves them.
    if (v14) {
        const std::array<uint64_t, 15> by_return = count_by_return(r.points);
        const uint64_t n = r.points.size();
        const bool kept = !extended;
        const uint64_t legacy = r.legacy_points >= 0 ? static_cast<uint64_t>(r.legacy_points) : kept ? n : 0;
        int stale = legacy != 0 && legacy != n;
        for (int k = 0; k < 5; ++k) {
            const uint64_t l = r.legacy_by_return ? (*r.legacy_by_return)[k] : kept ? by_return[k] : 0;
            stale += l != 0 && l != by_return[k];
        }
        c.emplace_back("legacy_counts", std::to_string(stale));
    } else {
        c.emplace_back("legacy_counts", "");
    }
    int32_t lo[2] = {INT32_MAX, INT32_MAX}, hi[2] = {INT32_MIN, INT32_MIN};
    uint64_t first = 0, overlap = 0;
    std::set<int> channels;
    for (const Las14Point &p : r.points) {
        lo[0] = std::min(lo[0], p.X), hi[0] = std::max(hi[0], p.X);
        lo[1] = std::min(lo[1], p.Y), hi[1] = std::max(hi[1], p.Y);
        first += p.return_number == 1;
        overlap += extended ? p.overlap : (p.classification & 31) == 12;
        channels.insert(p.scanner_channel);
    }
    const double m = crs.metres * kScale;
    const double area = (hi[0] - lo[0]) * m * (hi[1] - lo[1]) * m;
    c.emplace_back("density_m2", crs.metres > 0 ? number(r.points.size() / area) : "");
    c.emplace_back("first_density_m2", crs.metres > 0 ? number(first / area) : "");
    c.emplace_back("overlap", std::to_string(overlap));
    std::string listed;
    for (const int k : channels) listed += (listed.empty() ? "" : ";") + std::to_string(k);
    c.emplace_back("scanner_channels", extended ? listed : "");
    return c;
}

struct Writer {
    std::string dir;
    std::vector<Expectation14> table;
    unsigned seed = 0;

    void put(const std::string &path, const Las14Recipe &r, const Crs &crs, const std::string &status,
             const std::string &flagged, const std::string &tolerated = "") {
        fs::create_directories(fs::path(dir + "/" + path).parent_path());
        write_las14(dir + "/" + path, r);
        table.push_back({{path, status, flagged, tolerated}, status == "ok" ? columns_of(r, crs) : decltype(Expectation14::columns){}});
    }
};

}  // namespace

std::vector<Expectation14> make_delivery14(const std::string &dir) {
    Writer w{dir, {}, 0};
    struct Clean {
        const char *path;
        uint8_t minor, format;
        int col, row, extra_bytes;
        bool wkt_after_points;  // the WKT record an EVLR
    };
    const Clean clean[] = {
        {"2024/north/t_6_a.las", 4, 6, 0, 0, 0, false}, {"2024/north/t_6_b.las", 4, 6, 1, 0, 4, false},
        {"2024/north/t_7.las", 4, 7, 2, 0, 0, false},   {"2024/north/t_8.las", 4, 8, 3, 0, 0, false},
        {"2024/south/t_8_evlr.las", 4, 8, 4, 0, 0, true}, {"2024/south/t_9.las", 4, 9, 5, 0, 0, false},
        {"2024/south/t_10.las", 4, 10, 0, 1, 2, false}, {"2024/south/t_7_b.las", 4, 7, 4, 1, 0, false},
        {"older/t_1.2_3.las", 2, 3, 3, 1, 0, false},    {"older/t_1.3_4.las", 3, 4, 1, 1, 0, false},
        {"older/t_1.4_1.las", 4, 1, 2, 1, 0, false},
    };
    for (const Clean &c : clean) {
        Las14Recipe r = tile(++w.seed, c.minor, c.format, c.col, c.row);
        r.extra_bytes = c.extra_bytes;
        for (std::size_t k = 0; k < r.points.size(); ++k) r.points[k].extra = {static_cast<unsigned char>(k), 0xA5, 0x5A, 7};
        if (c.wkt_after_points) std::swap(r.vlrs, r.evlrs);
        w.put(c.path, r, c.format >= 6 ? kDelivery : kDeliveryKeys, "ok", "");
    }

    // One tile per defect, LAS 1.4 format 6 unless the defect needs otherwise.
    Las14Recipe r = tile(++w.seed, 4, 6, 5, 1);
    r.vlrs = {wkt_vlr(nad83_utm_wkt(26911, true))};
    w.put("defects/crs_other.las", r, {"EPSG:26911+5703", "wkt", "metre", "metre", 1.0}, "ok", "crs");

    r = tile(++w.seed, 4, 6, 0, 2);
    r.global_encoding &= ~16;
    r.vlrs = {geotiff_vlr(2227, 9003, 6360, 9003)};  // California zone 3, US survey feet
    w.put("defects/crs_geotiff_feet.las", r, {"EPSG:2227+6360", "geotiff", "us_survey_foot", "us_survey_foot", kUsSurveyFoot},
          "ok", "crs");

    r = tile(++w.seed, 4, 7, 1, 2);
    r.global_encoding &= ~16;
    r.vlrs.clear();
    // Without units there is no density per square metre to hold to a floor.
    w.put("defects/crs_none.las", r, {"", "", "", "", 0.0}, "ok", "crs", "density");

    r = tile(++w.seed, 4, 6, 2, 2);
    r.global_encoding &= ~16;
    w.put("defects/wkt_bit_clear.las", r, kDelivery, "ok", "crs");

    // A system named in Latin-1, without a code: the name reaches the
    // outputs as UTF-8, its byte escaped.
    r = tile(++w.seed, 4, 6, 5, 3);
    r.vlrs = {wkt_vlr("PROJCS[\"R\xE9seau local\",GEOGCS[\"g\",DATUM[\"d\",SPHEROID[\"s\",6378137,298.257]],"
                      "PRIMEM[\"G\",0],UNIT[\"degree\",0.0174532925199433]],PROJECTION[\"Transverse_Mercator\"],"
                      "UNIT[\"metre\",1]]")};
    w.put("defects/crs_latin1.las", r, {"R\\xE9seau local", "wkt", "metre", "", 1.0}, "ok", "crs");

    r = tile(++w.seed, 4, 6, 3, 2);
    r.global_encoding &= ~1;
    for (Las14Point &p : r.points) p.gps_time -= 3.5e8 - 300000.0;  // week seconds
    w.put("defects/gps_week.las", r, kDelivery, "ok", "gps_encoding");

    r = tile(++w.seed, 4, 7, 4, 2);
    const double t0 = r.points.front().gps_time;
    for (Las14Point &p : r.points) p.gps_time = 200000.0 + 100.0 * (p.gps_time - t0);  // week seconds
    w.put("defects/gps_mismatch.las", r, kDelivery, "ok", "gps_encoding", "gps_time");

    r = tile(++w.seed, 4, 6, 5, 2);
    const uint64_t first = count_by_return(r.points)[0];
    r.legacy_points = static_cast<int64_t>(r.points.size()) + 5;
    r.legacy_by_return = std::array<uint32_t, 5>{static_cast<uint32_t>(first), 7, 0, 0, 0};  // the first one agrees
    w.put("defects/legacy_counts.las", r, kDelivery, "ok", "header_counts");

    r = tile(++w.seed, 4, 8, 0, 3);
    for (std::size_t k = 0; k < r.points.size(); k += 50) r.points[k].return_number = 9, r.points[k].number_of_returns = 7;
    w.put("defects/return_9_of_7.las", r, kDelivery, "ok", "return_numbers");

    r = tile(++w.seed, 4, 6, 1, 3, 600);
    w.put("defects/low_density.las", r, kDelivery, "ok", "density");

    r = tile(++w.seed, 4, 6, 2, 3);
    for (std::size_t k = 0; k < r.points.size(); ++k) r.points[k].overlap = k % 5 < 3;
    w.put("defects/overlap_strip.las", r, kDelivery, "ok", "overlap");

    r = tile(++w.seed, 3, 5, 3, 3);
    for (std::size_t k = 0; k < r.points.size(); ++k)
        if (k % 5 < 3) r.points[k].classification = 12;
    w.put("defects/overlap_class12.las", r, kDeliveryKeys, "ok", "overlap");

    r = tile(++w.seed, 4, 6, 4, 3, 100);
    r.format = 11;
    w.put("defects/format_11.las", r, kDelivery, "refused", "readable");
    r = tile(++w.seed, 4, 6, 5, 3, 100);
    r.minor = 5;
    w.put("defects/version_1.5.las", r, kDelivery, "refused", "readable");

    std::sort(w.table.begin(), w.table.end(),
              [](const Expectation14 &a, const Expectation14 &b) { return a.tile.path < b.tile.path; });
    return w.table;
}

}  // namespace qa_delivery
