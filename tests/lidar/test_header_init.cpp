// Default public headers for new LAS files, and a header built from them,
// completed by update_header, as the statistics command sees it.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>

#include "Korvane_LiDAR.h"
#include "las_image.hpp"
#include "test_support.hpp"

using namespace testing_support;

namespace {

constexpr std::size_t kSize = 227;

template <class T>
void put(Bytes &b, std::size_t at, T v) {
    std::memcpy(b.data() + at, &v, sizeof v);  // host order, as in the record
}

// The record an initialiser should leave, written out field by field: the
// tails of GUIDData4 (17-23), SystemIdentifier (27-57) and GeneratingSoftware
// (82-89) keep the byte the record was filled with.
Bytes expected_record(uint8_t minor, unsigned char fill) {
    Bytes b(kSize, 0);
    for (std::size_t k = 17; k <= 23; ++k) b[k] = fill;
    for (std::size_t k = 27; k <= 57; ++k) b[k] = fill;
    for (std::size_t k = 82; k <= 89; ++k) b[k] = fill;
    std::memcpy(b.data(), "LASF", 4);
    b[24] = 1;
    b[25] = minor;
    std::memcpy(b.data() + 58, "Korvane LiDAR Utilities", 24);
    put<uint16_t>(b, 94, 227);
    put<uint32_t>(b, 96, 227);
    put<double>(b, 131, 1.0);
    put<double>(b, 139, 1.0);
    put<double>(b, 147, 1.0);
    return b;
}

template <class Header>
Bytes initialised(void (*init)(Header *), unsigned char fill, int times = 1) {
    Header h;
    std::memset(&h, fill, sizeof h);
    for (int k = 0; k < times; ++k) init(&h);
    Bytes b(kSize);
    std::memcpy(b.data(), &h, kSize);
    return b;
}

// The expected records differ only at byte 25, so this also shows that the
// three versions differ in nothing else.
TEST(InitializeHeader, SetsEveryFieldAndLeavesOnlyTheStringTails) {
    for (const unsigned char fill : {0x00, 0xFF}) {
        SCOPED_TRACE(testing::Message() << "record filled with " << int(fill));
        EXPECT_EQ(initialised(initialize_header10, fill), expected_record(0, fill));
        EXPECT_EQ(initialised(initialize_header11, fill), expected_record(1, fill));
        EXPECT_EQ(initialised(initialize_header12, fill), expected_record(2, fill));
    }
    EXPECT_EQ(initialised(initialize_header10, 0x5A, 2), expected_record(0, 0x5A));
    EXPECT_EQ(initialised(initialize_header11, 0x5A, 2), expected_record(1, 0x5A));
    EXPECT_EQ(initialised(initialize_header12, 0x5A, 2), expected_record(2, 0x5A));
}

TEST(InitializeHeader, WrittenUnchangedItDeclaresFormatZeroWithLengthZero) {
    TempDir dir;
    LAS12Header h;
    std::memset(&h, 0, sizeof h);
    initialize_header12(&h);
    Bytes image(kSize);
    korvane::encode_header(h, image.data());
    const std::string path = dir.file("fresh.las");
    write_file(path, image);

    const RunResult r = run_in_child([&] { std::exit(check_las(path.c_str()) & 0xFF); });
    EXPECT_EQ(r.status, kFailed);
    EXPECT_EQ(r.out, "\nData format of " + path + " (0) is incompatible with Length of Data Record (0)\n");
}

std::string range_line(const char *axis, double lo, double hi) {
    char line[128];
    std::snprintf(line, sizeof line, "%s range :        %13.2f to %13.2f\n", axis, lo, hi);
    return line;
}

std::string formatted(const char *pattern, double count) {
    char line[128];
    std::snprintf(line, sizeof line, pattern, count);
    return line;
}

// A writer's path through the library: a fresh 1.2 header, format 0, the
// points, then update_header to fill in the count and the bounds. Before
// the update the header claims no points and zero bounds.
TEST(InitializeHeader, CompletedByUpdateHeaderGivesAFileTheCommandSummarises) {
    TempDir dir;
    LAS12Header h;
    std::memset(&h, 0, sizeof h);
    initialize_header12(&h);
    h.PointDataFormatID = 0;
    h.PointDataRecordLength = 20;

    Bytes file(kSize);
    korvane::encode_header(h, file.data());
    Point a, b, c;
    a.X = 1500, a.Y = 10, a.Z = -5;
    b.X = -250, b.Y = 20, b.Z = 7, b.bitfield = 0x12;  // return 2 of 2
    c.X = 3000, c.Y = 5, c.Z = 2;
    for (const Point &p : {a, b, c}) {
        const Bytes rec = encode_point(p, 0);
        file.insert(file.end(), rec.begin(), rec.end());
    }
    const std::string path = dir.file("written.las");
    write_file(path, file);

    const RunResult updated = run_in_child([&] { update_header(path.c_str()); });
    ASSERT_EQ(updated.status, 0) << updated.out;
    EXPECT_EQ(updated.out, "\rHeader of file " + path + " has been updated    ");

    const RunResult type = run_in_child([&] { std::exit(check_las(path.c_str()) & 0xFF); });
    EXPECT_EQ(type.status, 5);
    EXPECT_EQ(type.out, "");

    const RunResult summary = run_pointsieve({"written.las"}, dir.path());
    EXPECT_EQ(summary.status, 0) << summary.out;
    EXPECT_NE(summary.out.find("\rLAS version 1.2, Format 0 (Type 5)\n"), std::string::npos) << summary.out;
    EXPECT_NE(summary.out.find(formatted("Total points :   %10.0f\n", 3)), std::string::npos) << summary.out;
    // With unit scale factors and zero offsets the bounds are the integers.
    EXPECT_NE(summary.out.find(range_line("X", -250, 3000)), std::string::npos) << summary.out;
    EXPECT_NE(summary.out.find(range_line("Y", 5, 20)), std::string::npos) << summary.out;
    EXPECT_NE(summary.out.find(range_line("Z", -5, 7)), std::string::npos) << summary.out;
    EXPECT_NE(summary.out.find(formatted("1st Returns           %12.0f\n", 2) +
                               formatted("2nd Returns           %12.0f\n", 1)),
              std::string::npos)
        << summary.out;
}

}  // namespace
