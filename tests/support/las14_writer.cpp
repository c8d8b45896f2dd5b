// The file image of a LAS 1.0 to 1.4 recipe, every offset written out here
// from the LAS 1.4 format's own tables rather than taken from the reader
// under test.
#include "las14_writer.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "las_format.hpp"

namespace testing_support {

namespace {

using korvane::store_le;

// Record sizes and field offsets of formats 0 to 10 (-1: no such field).
struct Layout {
    int size, gps, rgb, nir, wave;
};
constexpr Layout kLayouts[11] = {
    {20, -1, -1, -1, -1}, {28, 20, -1, -1, -1}, {26, -1, 20, -1, -1}, {34, 20, 28, -1, -1},
    {57, 20, -1, -1, 28}, {63, 20, 28, -1, 34}, {30, 22, -1, -1, -1}, {36, 22, 30, -1, -1},
    {38, 22, 30, 36, -1}, {59, 22, -1, -1, 30}, {67, 22, 30, 36, 38},
};

void put_text(unsigned char *at, const std::string &text, std::size_t room) {
    std::memcpy(at, text.data(), std::min(text.size(), room));
}

std::size_t vlr_bytes(const std::vector<VlrRecipe> &records, std::size_t header) {
    std::size_t n = 0;
    for (const VlrRecipe &v : records) n += header + v.payload.size();
    return n;
}

// A record's header and payload at `at`; returns the bytes written.
std::size_t put_vlr(unsigned char *at, const VlrRecipe &v, bool extended) {
    put_text(at + 2, v.user_id, 16);
    store_le<uint16_t>(at + 18, v.record_id);
    const uint64_t length = v.declared_length >= 0 ? static_cast<uint64_t>(v.declared_length) : v.payload.size();
    if (extended) store_le<uint64_t>(at + 20, length);
    else store_le<uint16_t>(at + 20, static_cast<uint16_t>(length));
    const std::size_t header = extended ? 60 : 54;
    put_text(at + header - 32, v.description, 32);
    if (!v.payload.empty()) std::memcpy(at + header, v.payload.data(), v.payload.size());
    return header + v.payload.size();
}

}  // namespace

Bytes vlr_image(const VlrRecipe &v) {
    Bytes b(54 + v.payload.size());
    put_vlr(b.data(), v, false);
    return b;
}

std::size_t las_header_size(uint8_t minor) { return minor >= 4 ? 375 : minor == 3 ? 235 : 227; }

std::size_t las_format_size(unsigned format) { return format <= 10 ? static_cast<std::size_t>(kLayouts[format].size) : 0; }

Bytes encode_las14_point(const Las14Point &p, unsigned format, int extra_bytes) {
    const Layout &l = kLayouts[format];
    Bytes b(static_cast<std::size_t>(l.size + extra_bytes), 0);
    unsigned char *d = b.data();
    store_le<int32_t>(d + 0, p.X);
    store_le<int32_t>(d + 4, p.Y);
    store_le<int32_t>(d + 8, p.Z);
    store_le<uint16_t>(d + 12, p.intensity);
    const unsigned direction = (p.scan_direction ? 0x40u : 0u) | (p.edge ? 0x80u : 0u);
    if (format >= 6) {
        d[14] = static_cast<unsigned char>((p.return_number & 15) | (p.number_of_returns & 15) << 4);
        d[15] = static_cast<unsigned char>((p.synthetic ? 1 : 0) | (p.key_point ? 2 : 0) | (p.withheld ? 4 : 0) |
                                           (p.overlap ? 8 : 0) | (p.scanner_channel & 3) << 4 | direction);
        d[16] = p.classification;
        d[17] = p.user_data;
        store_le<int16_t>(d + 18, p.scan_angle);
        store_le<uint16_t>(d + 20, p.point_source_id);
    } else {
        d[14] = static_cast<unsigned char>((p.return_number & 7) | (p.number_of_returns & 7) << 3 | direction);
        d[15] = static_cast<unsigned char>((p.classification & 31) | (p.synthetic ? 0x20 : 0) |
                                           (p.key_point ? 0x40 : 0) | (p.withheld ? 0x80 : 0));
        d[16] = static_cast<unsigned char>(static_cast<int8_t>(p.scan_angle));
        d[17] = p.user_data;
        store_le<uint16_t>(d + 18, p.point_source_id);
    }
    if (l.gps >= 0) store_le<double>(d + l.gps, p.gps_time);
    if (l.rgb >= 0) {
        store_le<uint16_t>(d + l.rgb, p.red);
        store_le<uint16_t>(d + l.rgb + 2, p.green);
        store_le<uint16_t>(d + l.rgb + 4, p.blue);
    }
    if (l.nir >= 0) store_le<uint16_t>(d + l.nir, p.nir);
    if (l.wave >= 0 && !p.wave_packet.empty()) std::memcpy(d + l.wave, p.wave_packet.data(), p.wave_packet.size());
    const std::size_t extra = std::min(p.extra.size(), static_cast<std::size_t>(extra_bytes));
    if (extra > 0) std::memcpy(d + l.size, p.extra.data(), extra);
    return b;
}

std::array<uint64_t, 15> count_by_return(const std::vector<Las14Point> &points) {
    std::array<uint64_t, 15> n{};
    for (const Las14Point &p : points)
        if (p.return_number >= 1 && p.return_number <= 15) ++n[p.return_number - 1];
    return n;
}

Bytes build_las14(const Las14Recipe &r) {
    const bool v14 = r.minor >= 4;
    const std::size_t header = r.header_size >= 0 ? static_cast<std::size_t>(r.header_size) : las_header_size(r.minor);
    const std::size_t written_header = std::max(header, las_header_size(r.minor));
    const std::size_t own = las_format_size(r.format <= 10 ? r.format : 0);
    const std::size_t record = own + static_cast<std::size_t>(r.extra_bytes);
    const std::size_t vlrs = vlr_bytes(r.vlrs, 54);
    const uint64_t points_at = r.offset_to_points >= 0 ? static_cast<uint64_t>(r.offset_to_points) : header + vlrs;
    const std::size_t points_end = std::max<std::size_t>(written_header + vlrs, points_at) + record * r.points.size();
    Bytes out(points_end + vlr_bytes(r.evlrs, 60), 0);
    unsigned char *h = out.data();

    std::memcpy(h, "LASF", 4);
    store_le<uint16_t>(h + 4, r.file_source_id);
    store_le<uint16_t>(h + 6, r.global_encoding);
    h[24] = r.major, h[25] = r.minor;
    put_text(h + 26, "pointsieve tests", 32);
    put_text(h + 58, "las14_writer", 32);
    store_le<uint16_t>(h + 90, 1), store_le<uint16_t>(h + 92, 2024);
    store_le<uint16_t>(h + 94, static_cast<uint16_t>(header));
    store_le<uint32_t>(h + 96, static_cast<uint32_t>(points_at));
    store_le<uint32_t>(h + 100, static_cast<uint32_t>(r.vlrs.size()));
    h[104] = r.format;
    store_le<uint16_t>(h + 105, static_cast<uint16_t>(r.record_length >= 0 ? r.record_length : static_cast<int>(record)));
    // Formats 6 to 10 leave the legacy counts 0; the others keep them equal
    // to the 64-bit ones.
    const uint64_t n = r.points.size();
    const std::array<uint64_t, 15> by_return = count_by_return(r.points);
    const bool legacy_kept = !v14 || (r.format < 6 && n <= UINT32_MAX);
    store_le<uint32_t>(h + 107, static_cast<uint32_t>(r.legacy_points >= 0 ? r.legacy_points : legacy_kept ? n : 0));
    for (int k = 0; k < 5; ++k)
        store_le<uint32_t>(h + 111 + 4 * k, r.legacy_by_return ? (*r.legacy_by_return)[k]
                                                               : legacy_kept ? static_cast<uint32_t>(by_return[k]) : 0);
    double lo[3], hi[3];
    for (int a = 0; a < 3; ++a) {
        lo[a] = r.min[a], hi[a] = r.max[a];
        if (!r.box_from_points || r.points.empty()) continue;
        lo[a] = HUGE_VAL, hi[a] = -HUGE_VAL;
        for (const Las14Point &p : r.points) {
            const double v = r.offset[a] + r.scale[a] * (a == 0 ? p.X : a == 1 ? p.Y : p.Z);
            lo[a] = std::min(lo[a], v), hi[a] = std::max(hi[a], v);
        }
    }
    for (int a = 0; a < 3; ++a) {
        store_le<double>(h + 131 + 8 * a, r.scale[a]);
        store_le<double>(h + 155 + 8 * a, r.offset[a]);
        store_le<double>(h + 179 + 16 * a, hi[a]);
        store_le<double>(h + 187 + 16 * a, lo[a]);
    }
    if (v14) {
        store_le<uint64_t>(h + 235, r.evlrs.empty() ? 0 : points_end);
        store_le<uint32_t>(h + 243, static_cast<uint32_t>(r.evlrs.size()));
        store_le<uint64_t>(h + 247, r.points64 >= 0 ? static_cast<uint64_t>(r.points64) : n);
        for (int k = 0; k < 15; ++k) store_le<uint64_t>(h + 255 + 8 * k, r.by_return64 ? (*r.by_return64)[k] : by_return[k]);
    }

    unsigned char *at = h + written_header;
    for (const VlrRecipe &v : r.vlrs) at += put_vlr(at, v, false);
    at = h + std::max<std::size_t>(written_header + vlrs, points_at);
    for (const Las14Point &p : r.points) {
        const Bytes b = encode_las14_point(p, r.format <= 10 ? r.format : 0, r.extra_bytes);
        std::memcpy(at, b.data(), b.size());
        at += b.size();
    }
    for (const VlrRecipe &v : r.evlrs) at += put_vlr(at, v, true);
    return out;
}

std::string write_las14(const std::string &path, const Las14Recipe &recipe) {
    write_file(path, build_las14(recipe));
    return path;
}

std::string nad83_utm_wkt(int epsg, bool vertical) {
    const int zone = epsg - 26900;
    const std::string z = std::to_string(zone), meridian = std::to_string(6 * zone - 183);
    const std::string metre = "UNIT[\"metre\",1,AUTHORITY[\"EPSG\",\"9001\"]]";
    const std::string projcs =
        "PROJCS[\"NAD83 / UTM zone " + z + "N\",GEOGCS[\"NAD83\",DATUM[\"North_American_Datum_1983\","
        "SPHEROID[\"GRS 1980\",6378137,298.257222101,AUTHORITY[\"EPSG\",\"7019\"]],AUTHORITY[\"EPSG\",\"6269\"]],"
        "PRIMEM[\"Greenwich\",0,AUTHORITY[\"EPSG\",\"8901\"]],UNIT[\"degree\",0.0174532925199433,"
        "AUTHORITY[\"EPSG\",\"9122\"]],AUTHORITY[\"EPSG\",\"4269\"]],PROJECTION[\"Transverse_Mercator\"],"
        "PARAMETER[\"latitude_of_origin\",0],PARAMETER[\"central_meridian\"," + meridian + "],"
        "PARAMETER[\"scale_factor\",0.9996],PARAMETER[\"false_easting\",500000],PARAMETER[\"false_northing\",0]," +
        metre + ",AXIS[\"Easting\",EAST],AXIS[\"Northing\",NORTH],AUTHORITY[\"EPSG\",\"" + std::to_string(epsg) + "\"]]";
    if (!vertical) return projcs;
    return "COMPD_CS[\"NAD83 / UTM zone " + z + "N + NAVD88 height\"," + projcs +
           ",VERT_CS[\"NAVD88 height\",VERT_DATUM[\"North American Vertical Datum 1988\",2005,"
           "AUTHORITY[\"EPSG\",\"5103\"]]," + metre + ",AXIS[\"Gravity-related height\",UP],"
           "AUTHORITY[\"EPSG\",\"5703\"]]]";
}

VlrRecipe wkt_vlr(const std::string &wkt) {
    VlrRecipe v{"LASF_Projection", 2112, Bytes(wkt.begin(), wkt.end()), -1, "OGC WKT"};
    v.payload.push_back(0);
    return v;
}

VlrRecipe geotiff_vlr(int epsg, int linear_unit, int vertical_epsg, int vertical_unit) {
    std::vector<uint16_t> keys = {1024, 1, 3072, static_cast<uint16_t>(epsg), 3076, static_cast<uint16_t>(linear_unit)};
    if (vertical_epsg) keys.insert(keys.end(), {4096, static_cast<uint16_t>(vertical_epsg)});
    if (vertical_unit) keys.insert(keys.end(), {4099, static_cast<uint16_t>(vertical_unit)});
    // The directory's header (version 1.1.0, the number of keys), then per
    // key its id, location 0 (the value itself), count 1 and the value.
    std::vector<uint16_t> words = {1, 1, 0, static_cast<uint16_t>(keys.size() / 2)};
    for (std::size_t k = 0; k < keys.size(); k += 2) words.insert(words.end(), {keys[k], 0, 1, keys[k + 1]});
    VlrRecipe v{"LASF_Projection", 34735, Bytes(2 * words.size()), -1, "GeoTIFF GeoKeyDirectoryTag"};
    for (std::size_t k = 0; k < words.size(); ++k) store_le<uint16_t>(v.payload.data() + 2 * k, words[k]);
    return v;
}

}  // namespace testing_support
