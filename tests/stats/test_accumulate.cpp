// Point accumulation: the per-record counting rules, and the sum property of
// list runs over generated files.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "accumulate.hpp"
#include "report.hpp"
#include "test_support.hpp"

using namespace testing_support;
using pointsieve::Accumulator;

namespace {

Bytes records(const std::vector<Point> &points, int format) {
    Bytes out;
    for (const Point &p : points) {
        const Bytes r = encode_point(p, format);
        out.insert(out.end(), r.begin(), r.end());
    }
    return out;
}

TEST(Accumulate, BitfieldSplitsIntoReturnNumberAndNumberOfReturns) {
    std::vector<Point> pts(4);
    pts[0].bitfield = 0x3A;  // 0011 1010: return 2 of 7
    pts[1].bitfield = 0x00;  // return 0 of 0: bin 0 of both
    pts[2].bitfield = 0xFF;  // bits 6 and 7 are ignored: return 7 of 7
    pts[3].bitfield = 0x09;
    Accumulator acc;
    pointsieve::allocate_histograms(acc);
    const Bytes b = records(pts, 0);
    pointsieve::accumulate_records(5, false, b.data(), pts.size(), acc);
    const auto ret = pointsieve::return_number_counts(acc);
    const auto num = pointsieve::number_of_returns_counts(acc);
    EXPECT_EQ((std::vector<std::uint64_t>(ret.begin(), ret.end())),
              (std::vector<std::uint64_t>{1, 1, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ((std::vector<std::uint64_t>(num.begin(), num.end())),
              (std::vector<std::uint64_t>{1, 1, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(acc.ReturnCount, 4u);
}

TEST(Accumulate, DetailedHistogramsOnlyWithDetail) {
    std::vector<Point> pts(256);
    for (int k = 0; k < 256; ++k) {
        pts[k].Classification = static_cast<uint8_t>(k);
        pts[k].Intensity = static_cast<uint16_t>(k * 257);
        pts[k].ScanAngleRank = static_cast<uint8_t>(k);
        pts[k].UserData = static_cast<uint8_t>(255 - k);
        pts[k].PointSourceID = static_cast<uint16_t>(65535 - k);
    }
    for (int format = 0; format <= 3; ++format) {
        const int type = format + 5;
        const Bytes b = records(pts, format);
        Accumulator plain;
        pointsieve::allocate_histograms(plain);
        pointsieve::accumulate_records(static_cast<int16_t>(type), false, b.data(), pts.size(), plain);
        Accumulator detailed;
        pointsieve::allocate_histograms(detailed);
        pointsieve::accumulate_records(static_cast<int16_t>(type), true, b.data(), pts.size(), detailed);
        for (int k = 0; k < 256; ++k) {
            // Flag bits of the classification byte are distinct keys.
            EXPECT_EQ(plain.ClassificationCount[k], 1u);
            EXPECT_EQ(plain.ScanAngleRankCount[k], 0u);
            EXPECT_EQ(detailed.ScanAngleRankCount[k], 1u);
            EXPECT_EQ(detailed.UserDataCount[k], 1u);
            EXPECT_EQ(detailed.IntensityCount[k * 257], 1u);
            EXPECT_EQ(detailed.PointSourceIDCount[65535 - k], 1u);
        }
        for (std::uint64_t v : plain.IntensityCount) ASSERT_EQ(v, 0u);
        for (std::uint64_t v : plain.PointSourceIDCount) ASSERT_EQ(v, 0u);
    }
}

TEST(Accumulate, GpsExtremesUseStrictComparisons) {
    std::vector<Point> pts(6);
    pts[0].GPSTime = std::nan("");
    pts[1].GPSTime = -2.0;
    pts[2].GPSTime = std::nan("");
    pts[3].GPSTime = -1.0;
    pts[4].GPSTime = -0.0;
    pts[5].GPSTime = 0.0;
    Accumulator acc;
    pointsieve::allocate_histograms(acc);
    const Bytes b = records(pts, 3);
    pointsieve::accumulate_records(8, false, b.data(), pts.size(), acc);
    EXPECT_EQ(acc.minGPSTime, -2.0);
    EXPECT_EQ(acc.maxGPSTime, 0.0);
    EXPECT_TRUE(std::signbit(acc.maxGPSTime));  // 0.0 is not greater than the -0.0 before it
    EXPECT_TRUE(std::signbit(pointsieve::largest_gps_time(acc)));
}

TEST(Accumulate, LargestGpsTimeIsZeroOnlyWhenNoTimeIsANumber) {
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char *what;
        std::vector<double> times;
        double largest;
    };
    const Case cases[] = {
        {"no records", {}, 0.0},
        {"NaN times only", {std::nan(""), -std::nan("")}, 0.0},
        {"negative times and a NaN", {-300.25, std::nan(""), -109754629.5}, -300.25},
        {"a time of minus infinity", {std::nan(""), -inf}, -inf},
        {"minus infinity and a number", {-inf, -5.0}, -5.0},
    };
    for (const Case &c : cases) {
        std::vector<Point> pts(c.times.size());
        for (std::size_t k = 0; k < pts.size(); ++k) pts[k].GPSTime = c.times[k];
        Accumulator acc;
        const Bytes b = records(pts, 1);
        pointsieve::accumulate_records(6, false, b.data(), pts.size(), acc);
        EXPECT_EQ(pointsieve::largest_gps_time(acc), c.largest) << c.what;
    }
}

// Key-value lines of a statistics file.
std::map<std::string, std::string> parse_stats(const std::string &text) {
    std::map<std::string, std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string k, v;
        fields >> k >> v;
        out[k] = v;
    }
    return out;
}

LasRecipe random_file(std::mt19937 &rng, uint8_t format) {
    std::uniform_int_distribution<int> byte(0, 255), small(0, 3), count(0, 300);
    std::uniform_real_distribution<double> coord(-1000, 1000);
    LasRecipe s;
    s.format = format;
    s.MinX = coord(rng), s.MaxX = s.MinX + 10, s.MinY = coord(rng), s.MaxY = s.MinY + 5;
    s.MinZ = coord(rng), s.MaxZ = s.MinZ + 1;
    s.points.resize(static_cast<std::size_t>(count(rng)));
    for (Point &p : s.points) {
        p.bitfield = static_cast<uint8_t>(byte(rng));
        p.Classification = static_cast<uint8_t>(small(rng) == 0 ? byte(rng) : small(rng));
        p.Intensity = static_cast<uint16_t>(byte(rng) * 200);
        p.ScanAngleRank = static_cast<uint8_t>(byte(rng));
        p.UserData = static_cast<uint8_t>(small(rng));
        p.PointSourceID = static_cast<uint16_t>(byte(rng) * 250);
        p.GPSTime = coord(rng) * 1000;
    }
    return s;
}

TEST(Accumulate, ListRunIsTheSumOfItsFiles) {
    std::mt19937 rng(20261208);
    for (int trial = 0; trial < 8; ++trial) {
        TempDir dir;
        const uint8_t format = static_cast<uint8_t>(trial % 4);
        write_las(dir.file("a.las"), random_file(rng, format));
        write_las(dir.file("b.las"), random_file(rng, format));
        write_text(dir.file("ab.txt"), "a.las\nb.las\n");
        for (const char *input : {"a.las", "b.las", "ab.txt"})
            ASSERT_EQ(run_pointsieve({input, "-d", "-s"}, dir.path()).status, 0) << input;
        auto a = parse_stats(read_text(dir.file("a_stats.asc")));
        auto b = parse_stats(read_text(dir.file("b_stats.asc")));
        const auto ab = parse_stats(read_text(dir.file("ab_stats.asc")));

        std::set<std::string> keys;
        for (const auto &m : {a, b, ab})
            for (const auto &kv : m) keys.insert(kv.first);
        for (const std::string &k : keys) {
            const bool is_min = k.find("Min") != std::string::npos, is_max = k.find("Max") != std::string::npos;
            if (format % 2 == 0 && k.rfind("GPSTime", 0) == 0) {
                EXPECT_EQ(ab.at(k), "") << k;  // bare keys for files without GPS time
                continue;
            }
            // Every figure has two decimals or none, so comparing as doubles is exact enough.
            const double va = a.count(k) ? std::stod(a[k]) : 0, vb = b.count(k) ? std::stod(b[k]) : 0;
            const double vab = std::stod(ab.at(k));
            if (is_min)
                EXPECT_EQ(vab, std::min(va, vb)) << k;
            else if (is_max)
                EXPECT_EQ(vab, std::max(va, vb)) << k;
            else
                EXPECT_EQ(vab, va + vb) << k << " trial " << trial;
        }
    }
}

}  // namespace
