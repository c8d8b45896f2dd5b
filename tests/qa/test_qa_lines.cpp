// The flight lines where the generated delivery is too small to reach:
// two lines compared over cells that each covers in part, on a slope;
// voids inside the points but not an outline; the line at fault named;
// and the numbers of a row read back as strtod reads them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "flight_lines.hpp"
#include "limits.hpp"
#include "line_scan.hpp"

namespace pointsieve::qa {
namespace {

// A 1000 by 1000 unit tile on the plane z = 0.2 x + 0.1 y (Z in tenths):
// line 1 west of x = 430, line 2 east of x = 400 and `raise` tenths higher,
// a point every 5 units, none within 100 of (200, 500) where `hole`; only
// the west half where `half`.
TileLines scanned(std::int32_t raise, bool hole, bool half) {
    formats::LasHeader h{};
    h.XScaleFactor = h.YScaleFactor = 1, h.ZScaleFactor = 0.1;
    h.MaxX = h.MaxY = 999;
    LineTable t;
    start_line_scan(t, h, 56000, 1);
    std::uint64_t records = 0;
    for (std::int32_t x = 0; x < (half ? 500 : 1000); x += 5) {
        for (std::int32_t y = 0; y < 1000; y += 5) {
            if (hole && (x - 200) * (x - 200) + (y - 500) * (y - 500) < 100 * 100) continue;
            for (const std::uint16_t line : {std::uint16_t{1}, std::uint16_t{2}}) {
                if ((line == 1 && x >= 430) || (line == 2 && x < 400)) continue;
                fold_line_point(t, x, y, 2 * x + y + (line == 2 ? raise : 0), 0, line, true);
                ++records;
            }
        }
    }
    return finish_line_scan(t, h, records, nullptr);
}

TEST(FlightLines, HeightsComparedWithTheSlopeTakenOut) {
    for (const std::int32_t raise : {0, 15}) {
        SCOPED_TRACE(raise);
        const TileLines found = scanned(raise, false, false);
        ASSERT_EQ(found.pairs.size(), 1u);
        // Every shared cell is covered in part by one line: the means alone
        // would differ by about 0.2 * 9 units.
        EXPECT_GE(found.pairs[0].shared, 8u);
        EXPECT_NEAR(found.pairs[0].dz, -0.1 * raise, 0.01);
        EXPECT_EQ(found.lines[0].points + found.lines[1].points, 200u * 86 + 200u * 120);
    }
}

TEST(FlightLines, VoidsInsideThePointsNotAnOutline) {
    EXPECT_EQ(scanned(0, false, false).void_percent, 0.0);
    EXPECT_EQ(scanned(0, false, true).void_percent, 0.0);  // the east half empty: an outline
    const TileLines holed = scanned(0, true, false);
    EXPECT_GT(holed.void_percent, 1.5);  // a disc of 3.1 % of the box, less its rim
    EXPECT_LT(holed.void_percent, 3.2);
}

// Three lines, the middle one 1.5 high: it is named, its neighbours are
// not; two lines alone: one is named; switched off: none is judged.
TEST(FlightLines, TheLineAtFaultIsNamed) {
    FlightLines three;
    fold_tile_lines(three, "11 1000 50;12 1000 50;13 1000 50", "11 12 20 -1.500;12 13 20 1.500");
    const std::vector<LineJudgement> j = judge_lines(three, default_limits());
    ASSERT_EQ(j.size(), 3u);
    EXPECT_EQ(j[0].interswath_verdict, Verdict::NotApplicable);
    EXPECT_EQ(j[1].interswath_verdict, Verdict::Fail);
    EXPECT_EQ(j[2].interswath_verdict, Verdict::NotApplicable);

    FlightLines two;
    fold_tile_lines(two, "21 1000 50;22 1000 50", "21 22 20 0.300");
    int named = 0;
    for (const LineJudgement &l : judge_lines(two, default_limits())) named += l.interswath_verdict == Verdict::Warn;
    EXPECT_EQ(named, 1);

    Limits off = default_limits();
    for (std::size_t c = 0; c < off.criteria.size(); ++c)
        if (std::string(off.criteria[c].name) == "interswath_dz") off.criterion_off[c] = true;
    for (const LineJudgement &l : judge_lines(three, off)) EXPECT_EQ(l.interswath_verdict, Verdict::NotApplicable);

    // A strip inside another line's cells is covered whole; too few
    // cells are not judged.
    FlightLines strip;
    fold_tile_lines(strip, "31 5000 100;32 900 20;33 90 4", "31 32 20 0.010;31 33 4 0.020");
    const std::vector<LineJudgement> s = judge_lines(strip, default_limits());
    EXPECT_EQ(s[1].covered, 100.0);
    EXPECT_EQ(s[1].covered_verdict, Verdict::Warn);
    EXPECT_FALSE(s[2].has_covered);

    // A shard's table edited by hand: a pair of a line no tile holds, and a
    // line paired with itself, judge nothing.
    FlightLines odd;
    fold_tile_lines(odd, "41 10 20", "41 99 20 9.000;41 41 20 9.000");
    for (const LineJudgement &l : judge_lines(odd, default_limits())) EXPECT_FALSE(l.has_interswath || l.has_covered);
}

TEST(FlightLines, NumbersReadAsStrtodReadsThem) {
    const char *const numbers[] = {"500000.04", "4000000.123456789", "-0.000", "1e3", "301234.5678901234",
                                   "0.1", "123456789012345", "-98765.4321"};
    for (std::size_t k = 0; k + 1 < std::size(numbers); k += 2) {
        FlightLines fl;
        std::string line = "7 5 0";
        for (int axis = 0; axis < 3; ++axis) line = line + " " + numbers[k] + " " + numbers[k + 1];
        fold_tile_lines(fl, line, "");
        const LineTotal &l = fl.lines.at(7);
        ASSERT_TRUE(l.has_extent);
        for (std::size_t e = 0; e < 2; ++e) {
            const double want = std::strtod(numbers[k + e], nullptr);
            EXPECT_EQ(l.extent[e], want) << numbers[k + e];
            EXPECT_EQ(std::signbit(l.extent[e]), std::signbit(want)) << numbers[k + e];
        }
    }
}

}  // namespace
}  // namespace pointsieve::qa
