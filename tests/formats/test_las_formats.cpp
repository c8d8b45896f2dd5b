// The header, records and point records of crafted LAS 1.0 to 1.4 files:
// every point format in every version that defines it, one table of headers
// refused or read with odd counts, the VLRs and EVLRs found and bounded,
// and the records handed out in blocks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "crs.hpp"
#include "las14_writer.hpp"
#include "las_header.hpp"
#include "point_blocks.hpp"
#include "vlrs.hpp"

namespace las_formats_test {

using namespace pointsieve::formats;
using testing_support::Bytes;
using testing_support::Las14Point;
using testing_support::Las14Recipe;

// n points whose every field differs from record to record.
Las14Recipe recipe_of(uint8_t minor, uint8_t format, int n, int extra_bytes = 0) {
    Las14Recipe r;
    r.minor = minor, r.format = format, r.extra_bytes = extra_bytes;
    r.scale[0] = 0.001, r.scale[1] = 0.002, r.scale[2] = 0.004;
    r.offset[0] = 500000, r.offset[1] = 4e6, r.offset[2] = -10;
    for (int k = 0; k < n; ++k) {
        Las14Point p;
        p.X = 1000 + 7 * k, p.Y = -3 * k, p.Z = k * k;
        p.intensity = static_cast<uint16_t>(k * 37), p.return_number = static_cast<uint8_t>(1 + k % 5);
        p.number_of_returns = 5, p.classification = static_cast<uint8_t>(k), p.scan_angle = static_cast<int16_t>(k - 20);
        p.overlap = k % 3 == 0, p.scanner_channel = static_cast<uint8_t>(k % 4), p.user_data = static_cast<uint8_t>(k);
        p.point_source_id = static_cast<uint16_t>(k + 1), p.gps_time = 3.5e8 + k, p.red = static_cast<uint16_t>(k);
        p.green = 2, p.blue = 3, p.nir = static_cast<uint16_t>(k * 5), p.wave_packet[1] = static_cast<unsigned char>(k);
        p.extra = {static_cast<unsigned char>(k), static_cast<unsigned char>(255 - k), 9};
        r.points.push_back(p);
    }
    return r;
}

HeaderReading header_of(const Bytes &b) { return read_las_header(b.data(), b.size()); }

struct OpenFile {
    std::FILE *f;
    ~OpenFile() {
        if (f) std::fclose(f);
    }
};

// Every record the blocks hand out, one after the other, at most `restart`
// of them after a restart when restart is set.
Bytes records_in_blocks(const std::string &path, const HeaderReading &h, std::uint64_t restart = 0) {
    OpenFile file{std::fopen(path.c_str(), "rb")};
    PointBlocks b;
    Bytes out;
    if (!file.f || !start_point_blocks(b, file.f, h)) return out;
    for (int pass = 0; pass < (restart ? 2 : 1); ++pass) {
        if (pass == 1) {
            out.clear();
            EXPECT_TRUE(restart_point_blocks(b, restart));
        }
        const unsigned char *records = nullptr;
        for (std::size_t n; (n = next_point_block(b, records)) > 0;) out.insert(out.end(), records, records + n * b.record_length);
    }
    EXPECT_FALSE(b.failed);
    return out;
}

TEST(LasFormats, EveryFormatInEveryVersionThatDefinesIt) {
    testing_support::TempDir tmp;
    for (uint8_t format = 0; format <= 10; ++format) {
        for (uint8_t minor = static_cast<uint8_t>(first_minor_of(format)); minor <= 4; ++minor) {
            SCOPED_TRACE("LAS 1." + std::to_string(minor) + " format " + std::to_string(format));
            const Las14Recipe r = recipe_of(minor, format, format == 6 ? 40000 : 30, 3);  // format 6: two blocks
            const Bytes bytes = testing_support::build_las14(r);
            const HeaderReading h = header_of(bytes);
            ASSERT_EQ(h.problem, HeaderProblem::None) << header_problem_text(h);
            EXPECT_EQ(version_text(h.header), "1." + std::to_string(minor));
            EXPECT_EQ(h.format, format);
            EXPECT_FALSE(h.compressed);
            EXPECT_EQ(h.header.PointDataRecordLength, kPointFormats[format].size + 3);
            EXPECT_EQ(kPointFormats[format].size, testing_support::las_format_size(format));
            EXPECT_EQ(declared_records(h.header), r.points.size());
            EXPECT_EQ(declared_by_return(h.header)[2], testing_support::count_by_return(r.points)[2]);
            EXPECT_EQ(stale_legacy_counts(h.header), 0u);
            const double scale[3] = {h.header.XScaleFactor, h.header.YScaleFactor, h.header.ZScaleFactor};
            const double offset[3] = {h.header.XOffset, h.header.YOffset, h.header.ZOffset};
            for (int a = 0; a < 3; ++a) {
                EXPECT_EQ(scale[a], r.scale[a]);
                EXPECT_EQ(offset[a], r.offset[a]);
            }
            // The records, extra bytes and all, byte for byte; of a file cut
            // inside a record, the whole ones before the cut; after a
            // restart, the first ten again.
            const std::string path = testing_support::write_las14(tmp.file("t.las"), r);
            const std::size_t first = h.header.OffsetToPointData, length = h.header.PointDataRecordLength;
            const Bytes records(bytes.begin() + static_cast<std::ptrdiff_t>(first), bytes.end());
            EXPECT_TRUE(testing_support::same_bytes(records_in_blocks(path, h), records));
            EXPECT_TRUE(testing_support::same_bytes(records_in_blocks(path, h, 10), Bytes(records.begin(), records.begin() + 10 * length)));
            const std::size_t whole = r.points.size() * 2 / 3;
            testing_support::write_file(path, Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(first + whole * length + length / 2)));
            EXPECT_TRUE(testing_support::same_bytes(records_in_blocks(path, h), Bytes(records.begin(), records.begin() + whole * length)));
        }
    }
}

TEST(LasFormats, HeadersRefusedAndOddCounts) {
    struct Case {
        const char *what;
        uint8_t major = 1, minor = 4, format = 6;
        int record_length = -1, header_size = -1;
        int64_t offset = -1, legacy = -1, points64 = -1;
        double z_scale = 0.01, x_offset = 0;
        bool signature = true;
        std::size_t cut = 0;  // bytes given to the reader; 0: all
        HeaderProblem problem = HeaderProblem::None;
        uint64_t declared = 3;
        unsigned stale = 0;
        bool compressed = false;
    };
    using P = HeaderProblem;
    const Case cases[] = {
        {.what = "no signature", .signature = false, .problem = P::NotLas},
        {.what = "fewer bytes than a LAS 1.0 header", .minor = 0, .format = 0, .cut = 200, .problem = P::NotLas},
        {.what = "version 2.0", .major = 2, .minor = 0, .format = 0, .problem = P::BadMajor},
        {.what = "version 1.5", .minor = 5, .problem = P::BadMinor},
        {.what = "format 11", .format = 11, .record_length = 30, .problem = P::BadFormat},
        {.what = "format 6 in LAS 1.2", .minor = 2, .problem = P::UnhandledPair},
        {.what = "format 4 in LAS 1.2", .minor = 2, .format = 4, .problem = P::UnhandledPair},
        {.what = "records shorter than format 6", .record_length = 29, .problem = P::BadLength},
        {.what = "a LAS 1.4 header of 235 bytes", .header_size = 235, .problem = P::ShortHeader},
        {.what = "a LAS 1.3 header of 227 bytes", .minor = 3, .format = 5, .header_size = 227, .problem = P::ShortHeader},
        {.what = "points inside the header", .offset = 300, .problem = P::BadOffset},
        {.what = "a LAS 1.4 file cut inside its header", .cut = 300, .problem = P::CutHeader},
        {.what = "a Z scale of 0", .z_scale = 0, .problem = P::BadScale},
        {.what = "a negative Z scale", .z_scale = -0.01, .problem = P::BadScale},
        {.what = "a Z scale not a number", .z_scale = std::nan(""), .problem = P::BadScale},
        {.what = "an infinite Z scale", .z_scale = HUGE_VAL, .problem = P::BadScale},
        {.what = "a Z scale of 1e300", .z_scale = 1e300, .problem = P::BadScale},
        {.what = "an X offset not a number", .x_offset = std::nan(""), .problem = P::BadScale},
        {.what = "a scale of 0.001 with a far offset still reachable", .z_scale = 0.001, .x_offset = 4e7},
        {.what = "a LAS 1.2 header of 240 bytes, the rest the writer's", .minor = 2, .format = 1, .header_size = 240},
        {.what = "compressed format 6", .format = 6 | 0x80, .record_length = 30, .compressed = true},
        {.what = "format 1 in LAS 1.4, legacy count 0", .format = 1, .legacy = 0},
        {.what = "format 6, a legacy count stale", .legacy = 5, .stale = 1},
        {.what = "format 1, the 64-bit count 0: the legacy one", .format = 1, .points64 = 0, .stale = 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Las14Recipe r = recipe_of(c.minor, c.format, 3);
        r.major = c.major, r.record_length = c.record_length, r.header_size = c.header_size;
        r.offset_to_points = c.offset, r.legacy_points = c.legacy, r.points64 = c.points64;
        r.scale[2] = c.z_scale, r.offset[0] = c.x_offset;
        Bytes bytes = testing_support::build_las14(r);
        if (!c.signature) bytes[0] = 'l';
        if (c.cut) bytes.resize(c.cut);
        const HeaderReading h = header_of(bytes);
        EXPECT_EQ(h.problem, c.problem) << header_problem_text(h);
        EXPECT_EQ(header_problem_text(h).empty(), c.problem == P::None);
        if (c.problem != P::None) continue;
        EXPECT_EQ(h.compressed, c.compressed);
        EXPECT_EQ(h.format, c.format & 0x3Fu);
        EXPECT_EQ(declared_records(h.header), c.declared);
        EXPECT_EQ(stale_legacy_counts(h.header), c.stale);
    }
}

TEST(LasFormats, VlrsAndEvlrsFoundAndBounded) {
    testing_support::TempDir tmp;
    const std::string wkt = testing_support::nad83_utm_wkt(26910, true);
    Las14Recipe r = recipe_of(4, 6, 5);
    testing_support::VlrRecipe other{"pointsieve", 7, Bytes(10, 1), -1, "not kept"};
    r.vlrs = {testing_support::wkt_vlr(wkt), other};
    r.evlrs = {testing_support::geotiff_vlr(26910, 9001, 5703, 9001)};
    struct Case {
        const char *what;
        int64_t vlr_length, evlr_length;  // the last VLR's and the EVLR's declared lengths (-1: their own)
        bool complete;
    } cases[] = {
        {"every record whole", -1, -1, true},
        {"a VLR running past the points and the file", 60000, -1, false},
        {"an EVLR of a terabyte", -1, int64_t{1} << 40, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        r.vlrs[1].declared_length = c.vlr_length, r.evlrs[0].declared_length = c.evlr_length;
        const Bytes bytes = testing_support::build_las14(r);
        const std::string path = testing_support::write_las14(tmp.file("v.las"), r);
        OpenFile file{std::fopen(path.c_str(), "rb")};
        ASSERT_TRUE(file.f);
        const VlrReading v = read_vlrs(file.f, header_of(bytes).header, bytes.size());
        EXPECT_EQ(v.complete, c.complete);
        EXPECT_EQ(v.problem.empty(), c.complete) << v.problem;
        ASSERT_GE(v.records.size(), 1u);
        EXPECT_EQ(v.records[0].user_id, "LASF_Projection");
        EXPECT_EQ(v.records[0].record_id, 2112);
        EXPECT_EQ(std::string(v.records[0].data.begin(), v.records[0].data.end()), wkt + '\0');
        EXPECT_FALSE(v.records[0].extended);
        if (!c.complete) continue;
        ASSERT_EQ(v.records.size(), 3u);
        EXPECT_EQ(v.records[1].user_id, "pointsieve");
        EXPECT_EQ(v.records[1].length, 10u);
        EXPECT_TRUE(v.records[1].data.empty());  // not a record the audit reads
        EXPECT_TRUE(v.records[2].extended);
        EXPECT_EQ(v.records[2].record_id, 34735);
        EXPECT_EQ(v.records[2].data, r.evlrs[0].payload);
        // The WKT record first when the WKT bit says so, else the GeoTIFF keys.
        EXPECT_EQ(coordinate_system(v.records, true).source, CrsSource::Wkt);
        EXPECT_EQ(coordinate_system(v.records, false).source, CrsSource::GeoTiff);
        EXPECT_EQ(crs_label(coordinate_system(v.records, true)), "EPSG:26910+5703");
        EXPECT_EQ(crs_label(coordinate_system(v.records, false)), "EPSG:26910+5703");
    }
    // A header that declares more records than lie before the EVLRs: the
    // records end where the EVLRs begin, which are not read as points.
    r.vlrs[1].declared_length = r.evlrs[0].declared_length = -1;
    r.points64 = 9;
    const Bytes bytes = testing_support::build_las14(r);
    const HeaderReading h = header_of(bytes);
    const std::string path = testing_support::write_las14(tmp.file("e.las"), r);
    EXPECT_EQ(records_in_blocks(path, h).size(), 5u * h.header.PointDataRecordLength);
}

}  // namespace las_formats_test
