// The generated delivery: 100 m tiles on a grid, a few thousand points each,
// every tile's header extents and return counts taken from its points
// unless the tile's defect is a wrong header.
#include "delivery.hpp"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <utility>

#include "delivery_terrain.hpp"
#include "las14_writer.hpp"
#include "test_support.hpp"

namespace qa_delivery {

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

struct Writer {
    std::string dir;
    std::vector<Expectation> table;
    unsigned seed = 0;

    std::string file(const std::string &path) {
        fs::create_directories(fs::path(dir + "/" + path).parent_path());
        return dir + "/" + path;
    }
    void put(const std::string &path, const Bytes &bytes, const std::string &status, const std::string &flagged,
             const std::string &tolerated = "") {
        write_file(file(path), bytes);
        table.push_back({path, status, flagged, tolerated});
    }
};

}  // namespace

std::vector<Expectation> make_delivery(const std::string &dir) {
    Writer w{dir, {}, 0};
    // Clean tiles: every LAS type of versions 1.0 to 1.2, spaces and upper
    // case in names, two names one folder apart only in case.
    struct Clean {
        const char *path;
        uint8_t minor, format;
        Terrain terrain;
        int col, row, count, unclassified_percent;
        bool copied;  // delivered twice, under another name in another folder
        const char *tolerated;
    };
    const Clean clean[] = {
        {"north/t_1.0_0.las", 0, 0, Terrain::Flat, 0, 0, 2600, 2, false, ""},
        {"north/t_1.0_1.las", 0, 1, Terrain::Hills, 1, 0, 3000, 0, false, ""},
        {"north/west/t_1.1_0.las", 1, 0, Terrain::Forest, 2, 0, 3400, 4, false, ""},
        {"north/west/t_1.1_1.las", 1, 1, Terrain::Town, 3, 0, 2800, 1, false, ""},
        {"south/block a/t 1.2 0.las", 2, 0, Terrain::Coast, 4, 0, 2500, 0, false, ""},
        {"south/block a/t 1.2 1.las", 2, 1, Terrain::Hills, 5, 0, 2400, 3, true, "position"},
        {"south/T_1.2_2.LAS", 2, 2, Terrain::Town, 0, 1, 3200, 5, false, ""},
        {"south/t_1.2_3.las", 2, 3, Terrain::Forest, 1, 1, 3000, 2, false, ""},
        {"east/Pair.LAS", 2, 3, Terrain::Flat, 2, 1, 2700, 0, false, ""},
        {"east/pair.las", 2, 1, Terrain::Hills, 3, 1, 2900, 6, false, ""},
        {"east/deep/er/c_1.las", 2, 1, Terrain::Forest, 4, 1, 3300, 1, false, ""},
        {"east/deep/er/c_2.las", 2, 3, Terrain::Town, 5, 1, 2500, 0, false, ""},
        {"east/c_3.las", 2, 1, Terrain::Coast, 0, 2, 3100, 2, false, ""},
        {"east/c_4.las", 1, 1, Terrain::Flat, 1, 2, 2800, 0, false, ""},
        {"east/c_5.las", 2, 3, Terrain::Hills, 5, 4, 3000, 1, false, ""},  // under west/overlap.las, which is to blame
    };
    for (const Clean &c : clean) {
        const Bytes b = build_las(terrain_tile(++w.seed, c.minor, c.format, c.terrain, c.col, c.row, c.count,
                                               c.unclassified_percent));
        w.put(c.path, b, "ok", c.copied ? "duplicate" : "", c.tolerated);
        if (c.copied) w.put("west/copies/t 1.2 1 again.las", b, "ok", "duplicate", "position");
    }

    // One tile per defect, LAS 1.2 format 1 on hills unless the defect
    // needs otherwise.
    const auto tile = [&](double col, double row, int count = 3000) {
        return terrain_tile(++w.seed, 2, 1, Terrain::Hills, col, row, count, 1);
    };
    LasRecipe r = tile(2, 2);
    r.MaxX -= 10.0, r.MaxY -= 10.0;  // stale extents
    w.put("west/header_box.las", build_las(r), "ok", "header_box");

    r = tile(3, 2);
    r.by_return = {0, 0, 0, 0, 0};
    for (const Point &p : r.points)
        if ((p.bitfield & 7) >= 1 && (p.bitfield & 7) <= 5) ++r.by_return[(p.bitfield & 7) - 1];
    r.by_return[0] += 150, r.by_return[1] -= 40;
    w.put("west/header_returns.las", build_las(r), "ok", "header_returns");

    r = tile(4, 2);
    for (std::size_t k = 0; k < 3000; k += 25)  // 120 points: return 0, of 0, 3 of 2
        r.points[k].bitfield = k % 75 == 0 ? 0x08 : k % 75 == 25 ? 0x01 : 0x13;
    w.put("west/return_numbers.las", build_las(r), "ok", "return_numbers");

    r = tile(5, 2);
    for (std::size_t k = 0; k < r.points.size(); k += 3) r.points[k].Classification = 0;
    w.put("west/never_classified.las", build_las(r), "ok", "never_classified");

    r = tile(0, 3);
    for (Point &p : r.points) p.Classification = 1;
    w.put("west/unclassified.las", build_las(r), "ok", "unclassified");

    r = tile(1, 3);
    for (std::size_t k = 0; k < r.points.size(); k += 3) r.points[k].Classification |= 0x80;
    w.put("west/withheld.las", build_las(r), "ok", "withheld");

    r = tile(2, 3, 280);
    w.put("west/low_density.las", build_las(r), "ok", "density");

    r = tile(3, 3);
    for (std::size_t k = 0; k < 25; ++k) {  // birds 2.4 km up
        Point p = r.points[k * 100];
        p.Z += 240000, p.Classification = 7;
        r.points.push_back(p);
    }
    fit_header(r);
    w.put("west/z_spikes.las", build_las(r), "ok", "z_span");

    r = tile(4, 3);
    for (Point &p : r.points) p.GPSTime += 350000.0;  // past the end of the week
    w.put("west/gps_week.las", build_las(r), "ok", "gps_time");

    r = tile(5, 3);
    Bytes bytes = build_las(r);
    bytes.resize(227 + 2100 * format_record_size(1));
    w.put("west/truncated.las", bytes, "truncated", "complete");

    r = tile(0, 4);
    r.points.clear();  // the header keeps the cell's box
    w.put("west/no_points.las", build_las(r), "ok", "points");

    r = tile(1 + 1000, 4);  // a false easting 100 km off
    w.put("west/far_away.las", build_las(r), "ok", "position");

    r = tile(5.5, 4);  // half over east/c_5.las
    w.put("west/overlap.las", build_las(r), "ok", "position");

    // What contractors deliver wrong, a tile each in row 5 of the grid.
    r = tile(0, 5);
    for (Point &p : r.points) p.Z = r.points[0].Z;  // every Z equal
    fit_header(r);
    // The returns of one pulse now share X, Y and Z.
    w.put("west/flat.las", build_las(r), "ok", "z_span", "duplicate_points");

    r = tile(1, 5);
    for (std::size_t k = 0; k < r.points.size(); ++k)
        if (k % 20 < 17) r.points[k].Classification = 7;  // 85 % noise
    w.put("west/noise.las", build_las(r), "ok", "noise");

    r = tile(2, 5);
    for (Point &p : r.points) p.GPSTime = std::nan("");
    w.put("west/gps_nan.las", build_las(r), "ok", "gps_time");

    r = tile(3, 5);
    for (Point &p : r.points) p.GPSTime = 0;
    w.put("west/gps_zero.las", build_las(r), "ok", "gps_time");

    r = tile(4, 5);  // the header counts, and fits, 2,500 of the 3,000 records held
    const std::vector<Point> held = r.points;
    r.points.resize(2500);
    fit_header(r);
    r.by_return = {0, 0, 0, 0, 0};
    for (const Point &p : r.points) ++r.by_return[(p.bitfield & 7) - 1];
    r.points = held;
    r.declared_points = 2500;
    w.put("west/records_beyond.las", build_las(r), "ok", "complete");

    r = tile(5, 5);  // LAS, not LAZ, whatever the name says
    w.put("west/plain.laz", build_las(r), "ok", "file_name");

    // And in row 6.
    r = tile(0, 6);
    for (Point &p : r.points) p.Intensity = 0;
    w.put("west/intensity_zero.las", build_las(r), "ok", "intensity");

    r = tile(1, 6);
    for (std::size_t k = 0; k < r.points.size(); ++k)
        r.points[k].ScanAngleRank = static_cast<uint8_t>(static_cast<int>(k % 91) - 45);  // -45 to 45 degrees
    w.put("west/scan_angle.las", build_las(r), "ok", "scan_angle");

    r = tile(2, 6);
    for (std::size_t k = 0; k < r.points.size(); k += 2) r.points[k].PointSourceID = 0;
    w.put("west/source_id_0.las", build_las(r), "ok", "source_id");

    r = tile(3, 6);  // every point delivered twice: twice the density
    r.points.insert(r.points.end(), r.points.begin(), r.points.end());
    w.put("west/twice.las", build_las(r), "ok", "duplicate_points density");

    // Heights that do not meet the neighbours': it is the tile, not they,
    // that fails.
    r = tile(4, 6);
    for (Point &p : r.points) p.Z += 150;  // 1.5 m high
    fit_header(r);
    w.put("west/raised.las", build_las(r), "ok", "z_level");

    r = tile(5, 6);
    for (Point &p : r.points) p.Z = static_cast<int32_t>(std::lround(p.Z / 0.3048));  // Z in feet
    fit_header(r);
    w.put("west/z_feet.las", build_las(r), "ok", "z_level");

    // And in row 7, flight lines: three of one tile, the middle one 1.5 m
    // high; a strip flown again over a tile's west part; a void in a tile.
    const auto band = [&](int count, double col, double from, double to, uint16_t source, int32_t raise) {
        LasRecipe b = terrain_tile(++w.seed, 2, 1, Terrain::Flat, col, 7, count, 1);
        std::vector<Point> kept;
        for (Point p : b.points) {
            const double x = std::fmod(p.X * 0.01, 100.0);
            if (x < from || x >= to) continue;
            p.PointSourceID = source, p.Z += raise;
            kept.push_back(p);
        }
        b.points = kept;
        return b;
    };
    r = band(2000, 0, 0, 50, 11, 0);
    for (const auto &[from, to, source, raise] : {std::tuple{30.0, 75.0, 12, 150}, std::tuple{55.0, 100.0, 13, 0}}) {
        const LasRecipe more = band(2200, 0, from, to, static_cast<uint16_t>(source), raise);
        r.points.insert(r.points.end(), more.points.begin(), more.points.end());
    }
    fit_header(r);
    w.put("west/line_high.las", build_las(r), "ok", "interswath", "z_level");

    r = terrain_tile(++w.seed, 2, 1, Terrain::Flat, 1, 7, 3000, 1);
    const LasRecipe strip = band(3000, 1, 0, 40, 21, 0);
    r.points.insert(r.points.end(), strip.points.begin(), strip.points.end());
    fit_header(r);
    w.put("west/flown_twice.las", build_las(r), "ok", "flight_lines");

    r = tile(2, 7);
    std::erase_if(r.points, [](const Point &p) {
        const double x = std::fmod(p.X * 0.01, 100.0) - 50.0, y = std::fmod(p.Y * 0.01, 100.0) - 50.0;
        return x * x + y * y < 30.0 * 30.0;
    });
    w.put("west/void.las", build_las(r), "ok", "voids");

    // Tiles that cannot be read.
    w.put("west/zero.las", {}, "refused", "readable");
    const std::string text = "tile,x,y\nnorth,500000,4000000\n";
    w.put("west/not_a_tile.las", Bytes(text.begin(), text.end()), "refused", "readable");
    r = tile(2, 4, 100);
    r.format = 4;  // no such format in LAS 1.2
    w.put("west/format_4.las", build_las(r), "refused", "readable");
    const std::pair<const char *, double> scales[] = {{"zero", 0.0}, {"negative", -0.01}, {"huge", 1e300}};
    for (const auto &[name, scale] : scales) {  // coordinates without meaning
        r = tile(2, 4, 100);
        r.ZScale = scale;
        w.put(std::string("west/z_scale_") + name + ".las", build_las(r), "refused", "readable");
    }
    r = tile(3, 4, 100);
    bytes = build_las(r);
    bytes[offsetof(LAS12Header, PointDataFormatID)] |= 0x80;  // LAZ marks its format so
    w.put("south/t_compressed.laz", bytes, "refused", "readable");  // no laszip VLR
    r = tile(4, 4, 100);
    r.major = 0xAE, r.minor = 0xFB;  // no version: read and printed as numbers
    w.put("west/version_bytes.las", build_las(r), "refused", "readable");
    write_text(w.file("west/readme.txt"), "Delivery notes: not a tile.\n");

    std::sort(w.table.begin(), w.table.end(),
              [](const Expectation &a, const Expectation &b) { return a.path < b.path; });
    return w.table;
}

}  // namespace qa_delivery
