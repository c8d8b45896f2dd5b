// Recomputation of a LAS file's header from its point records, compared byte
// for byte with the file as it should be afterwards. The refusals are in
// test_header_update_refusals.cpp.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "Korvane_LiDAR.h"
#include "header_reference.hpp"
#include "las_format.hpp"
#include "test_support.hpp"

using namespace testing_support;
using header_reference::Figures;
using header_reference::with_figures;
using korvane::store_le;

namespace {

namespace fs = std::filesystem;

// Stale summary fields, so that nothing passes by being left alone.
void make_summary_stale(Bytes &file) {
    store_le<uint32_t>(file.data() + 107, 123456);
    for (int k = 0; k < 5; ++k) store_le<uint32_t>(file.data() + 111 + 4 * k, 7777u + k);
    for (std::size_t at = 179; at < 227; at += 8) store_le<double>(file.data() + at, -1.5e300);
}

std::string updated_line(const std::string &path) { return "\rHeader of file " + path + " has been updated    "; }

// Writes file to path, updates it, and checks the output and the result.
void expect_update(const std::string &path, const Bytes &file, const Figures &f) {
    write_file(path, file);
    const RunResult r = update(path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, updated_line(path));
    EXPECT_TRUE(same_bytes(read_file(path), with_figures(file, f)));
}

TEST(UpdateHeader, RecomputesEveryHandledVersionAndFormat) {
    TempDir dir;
    const std::pair<uint8_t, uint8_t> pairs[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}, {2, 3}};
    for (const auto &[minor, format] : pairs) {
        SCOPED_TRACE(testing::Message() << "version 1." << int(minor) << " format " << int(format));
        LasRecipe las;
        las.minor = minor;
        las.format = format;
        las.XScale = 0.01, las.YScale = 0.02, las.ZScale = 0.001;
        las.XOffset = 500000, las.YOffset = -4000000, las.ZOffset = 12.5;
        las.between = Bytes(54, 0xC3);  // a variable-length record, never read
        // Return numbers 1 to 5, then 0, 6 and 7, counted in the total only.
        las.points = {point(10, -20, 300, 0x09), point(-7, 44, 2, 0x12),   point(90, 1, -5, 0x1B),
                       point(3, 3, 3, 0x24),      point(5, -60, 8, 0x2D),   point(1000, 5, 7, 0x00),
                       point(-800, 6, 9, 0x3E),   point(4, 70000, 1, 0x07), point(6, 8, -400, 0x09)};
        las.trailing = Bytes(format_record_size(format) - 1, 0x7F);  // a partial record, ignored
        Bytes file = build_las(las);
        make_summary_stale(file);

        Figures f;
        f.count = 9;
        f.byReturn[0] = 2, f.byReturn[1] = 1, f.byReturn[2] = 1, f.byReturn[3] = 1, f.byReturn[4] = 1;
        f.maxX = 1000, f.minX = -800, f.maxY = 70000, f.minY = -60, f.maxZ = 300, f.minZ = -400;
        expect_update(dir.file("types.las"), file, f);
    }
}

TEST(UpdateHeader, CountsTheRecordsPresentWhateverTheHeaderDeclares) {
    TempDir dir;
    for (const int64_t declared : {0, 1, 3, 4, 1000000}) {
        SCOPED_TRACE(testing::Message() << "declared " << declared);
        LasRecipe las;
        las.declared_points = declared;
        las.points = {point(1, 2, 3), point(4, 5, 6, 0x12), point(-1, -2, -3)};
        Figures f;
        f.count = 3;
        f.byReturn[0] = 2, f.byReturn[1] = 1;
        f.maxX = 4, f.minX = -1, f.maxY = 5, f.minY = -2, f.maxZ = 6, f.minZ = -3;
        expect_update(dir.file("declared.las"), build_las(las), f);
    }
}

TEST(UpdateHeader, NoWholeRecordGivesZeroCountsAndKeepsTheBounds) {
    TempDir dir;
    struct Case {
        const char *what;
        std::size_t trailing;
        int64_t offset;  // -1: straight after the header
    };
    const Case cases[] = {
        {"no bytes after the header", 0, -1},
        {"a partial record only", 19, -1},
        {"offset at the end of the file", 0, 227},
        {"offset beyond the end of the file", 40, 5000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LasRecipe las;
        las.declared_points = 5;
        las.XScale = 0.5, las.YScale = 0.25, las.ZScale = 0.125;
        las.XOffset = 100, las.YOffset = -200, las.ZOffset = 300;
        las.MinX = -12.5, las.MaxX = 7.25, las.MinY = 1e6, las.MaxY = 2e6, las.MinZ = -0.5, las.MaxZ = 99;
        las.trailing = Bytes(c.trailing, 0x11);
        las.offset_to_data = c.offset;
        Bytes file = build_las(las);
        for (int k = 0; k < 5; ++k) store_le<uint32_t>(file.data() + 111 + 4 * k, 9u + k);
        // Only the count and the counts by return change, to 0.
        Bytes expected = file;
        std::fill(expected.begin() + 107, expected.begin() + 131, 0);
        const std::string path = dir.file("empty.las");
        write_file(path, file);
        const RunResult r = update(path);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, updated_line(path));
        EXPECT_TRUE(same_bytes(read_file(path), expected));
    }
}

TEST(UpdateHeader, IntegerExtremesAnywhereInTheRange) {
    TempDir dir;
    struct Case {
        const char *what;
        std::vector<Point> points;
        Figures f;
        double ZScale = 0.01, ZOffset = -3;
    };
    auto figures = [](int32_t maxX, int32_t minX, int32_t maxY, int32_t minY, int32_t maxZ, int32_t minZ) {
        Figures f;
        f.maxX = maxX, f.minX = minX, f.maxY = maxY, f.minY = minY, f.maxZ = maxZ, f.minZ = minZ;
        return f;
    };
    const Case cases[] = {
        {"every X at the top, every Y at the bottom, every Z above ten million",
         {point(INT32_MAX, INT32_MIN, 20000000), point(INT32_MAX, INT32_MIN, 10000001)},
         figures(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, 20000000, 10000001)},
        {"every X and Y at the bottom, every Z at the top",
         {point(INT32_MIN, INT32_MIN, INT32_MAX), point(INT32_MIN, INT32_MIN, INT32_MAX)},
         figures(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX)},
        {"X one above the bottom, Y at the top, Z below minus ten million",
         {point(-2147483647, INT32_MAX, -20000000), point(-2147483647, 2147483646, -10000001)},
         figures(-2147483647, -2147483647, INT32_MAX, 2147483646, -10000001, -20000000)},
        {"one record sets both extremes",
         {point(INT32_MAX, 0, INT32_MIN)},
         figures(INT32_MAX, INT32_MAX, 0, 0, INT32_MIN, INT32_MIN)},
        {"both ends of the range in one file",
         {point(INT32_MIN, INT32_MAX, -10000001), point(INT32_MAX, INT32_MIN, 10000001)},
         figures(INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, 10000001, -10000001)},
        // Heights of 39.08 to 78.5 m in steps of 1e-7 m: every integer Z
        // lies far above ten million.
        {"a fine Z scale",
         {point(5, 5, 785000000), point(5, 5, 390800000), point(5, 5, 512345678)},
         figures(5, 5, 5, 5, 785000000, 390800000),
         1e-7,
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LasRecipe las;
        las.XScale = 0.001, las.YScale = 0.001, las.ZScale = c.ZScale;
        las.XOffset = 1e6, las.YOffset = 0, las.ZOffset = c.ZOffset;
        las.points = c.points;
        Figures f = c.f;
        f.count = f.byReturn[0] = static_cast<uint32_t>(c.points.size());
        expect_update(dir.file("extremes.las"), build_las(las), f);
    }
}

TEST(UpdateHeader, FiguresCarryAcrossReadBlocks) {
    TempDir dir;
    LasRecipe las;
    las.format = 1;
    // Over 2 MiB of records, with the extremes in the first, a middle and the
    // last record.
    las.points.assign(80000, point(0, 0, 0, 0x12));
    las.points.front() = point(-90, 0, 0, 0x09);
    las.points[40000] = point(0, 77, -66, 0x09);
    las.points.back() = point(55, -44, 33, 0x0B);
    las.trailing = Bytes(27, 0x01);
    Figures f;
    f.count = 80000;
    f.byReturn[0] = 2, f.byReturn[1] = 79997, f.byReturn[2] = 1;
    f.maxX = 55, f.minX = -90, f.maxY = 77, f.minY = -44, f.maxZ = 33, f.minZ = -66;
    expect_update(dir.file("blocks.las"), build_las(las), f);
}

TEST(UpdateHeader, NegativeScaleFactorPutsTheSmallerRealValueInMax) {
    TempDir dir;
    LasRecipe las;
    las.XScale = -0.01, las.YScale = 0.01, las.ZScale = -1;
    las.XOffset = 1000;
    las.points = {point(100, 1, 5), point(300, 2, 9)};
    Figures f;
    f.count = 2;
    f.byReturn[0] = 2;
    f.maxX = 300, f.minX = 100, f.maxY = 2, f.minY = 1, f.maxZ = 9, f.minZ = 5;
    const std::string path = dir.file("negative.las");
    expect_update(path, build_las(las), f);
    const LAS12Header h = korvane::decode_header(read_file(path).data());
    // Packed fields are copied before gtest takes references to them.
    const double maxX = h.MaxX, minX = h.MinX, maxZ = h.MaxZ;
    EXPECT_EQ(maxX, 1000 - 0.01 * 300);
    EXPECT_LT(maxX, minX);
    EXPECT_EQ(maxZ, -9.0);
}

TEST(UpdateHeader, LeavesALongerHeaderAndVariableLengthRecordsIntact) {
    TempDir dir;
    LasRecipe las;
    Bytes extra(8);  // header bytes beyond the first 227
    for (std::size_t k = 0; k < extra.size(); ++k) extra[k] = static_cast<unsigned char>(0xE0 + k);
    Bytes vlr(54 + 16);
    for (std::size_t k = 0; k < vlr.size(); ++k) vlr[k] = static_cast<unsigned char>(k * 37);
    las.between = extra;
    las.between.insert(las.between.end(), vlr.begin(), vlr.end());
    las.points = {point(7, 8, 9), point(-7, -8, -9, 0x12)};
    las.trailing = {1, 2, 3};
    Bytes file = build_las(las);
    store_le<uint16_t>(file.data() + 94, 235);
    store_le<uint32_t>(file.data() + 100, 1);
    make_summary_stale(file);
    Figures f;
    f.count = 2;
    f.byReturn[0] = 1, f.byReturn[1] = 1;
    f.maxX = 7, f.minX = -7, f.maxY = 8, f.minY = -8, f.maxZ = 9, f.minZ = -9;
    expect_update(dir.file("long_header.las"), file, f);
}

TEST(UpdateHeader, RealFilesGetTheirOwnFiguresAndASecondUpdateChangesNothing) {
    TempDir dir;
    for (const char *name : {"1.0_0.las", "1.0_1.las", "1.1_0.las", "1.1_1.las", "1.2_0.las", "1.2_1.las",
                             "1.2_2.las", "1.2_3.las", "autzen.las", "simple.las"}) {
        SCOPED_TRACE(name);
        const std::string path = copy_data_file(name, dir.path());
        const Bytes before = read_file(path);
        const LAS12Header original = korvane::decode_header(before.data());
        const Figures f = header_reference::scan(
            before.data(), before.size(), korvane::las_type_of(original.VersionMinor, original.PointDataFormatID));
        EXPECT_EQ(f.count, uint32_t{original.NumberOfPointReturns});

        RunResult r = update(path);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, updated_line(path));
        const Bytes after = read_file(path);
        EXPECT_TRUE(same_bytes(after, with_figures(before, f)));

        // The writers of these files stored the same bounds, up to rounding.
        const LAS12Header h = korvane::decode_header(after.data());
        EXPECT_NEAR(double{h.MaxX}, double{original.MaxX}, double{original.XScaleFactor});
        EXPECT_NEAR(double{h.MinY}, double{original.MinY}, double{original.YScaleFactor});
        EXPECT_NEAR(double{h.MaxZ}, double{original.MaxZ}, double{original.ZScaleFactor});

        r = update(path);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(same_bytes(read_file(path), after));
    }
    // Figures that another reader gives for simple.las.
    const LAS12Header h = korvane::decode_header(read_file(dir.file("simple.las")).data());
    EXPECT_EQ(uint32_t{h.NumberOfPointReturns}, 1065u);
    const uint32_t byReturn[5] = {925, 114, 21, 5, 0};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(uint32_t{h.NumberOfPointsByReturn[k]}, byReturn[k]) << "return " << k + 1;
}

TEST(UpdateHeader, NamesOfAnyLength) {
    TempDir dir;
    std::string folder = dir.path();
    for (int k = 0; k < 4; ++k) {
        folder += "/" + std::string(200, static_cast<char>('a' + k));
        fs::create_directory(folder);
    }
    LasRecipe las;
    las.points = {point(1, 1, 1)};
    const std::string path = write_las(folder + "/" + std::string(240, 'n') + ".las", las);
    ASSERT_GT(path.size(), 1000u);
    Figures f;
    f.count = 1;
    f.byReturn[0] = 1;
    f.maxX = f.minX = f.maxY = f.minY = f.maxZ = f.minZ = 1;
    expect_update(path, build_las(las), f);

    las.minor = 1;
    las.format = 3;
    write_las(path, las);
    const RunResult r = update(path);
    EXPECT_EQ(r.status, kFailed);
    EXPECT_EQ(r.out, "\nCannot update header of file " + path +
                         ": version 1.1 files with point data format 3 are not handled\n");
}

}  // namespace
