// The console report of complete runs, whole: the progress lines and the
// summary of a file or of a list, to the last character.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {

const std::string kThreePointsBody =
    "Total points :            3\n\n"
    "X range :                 1.50 to          2.25\n"
    "Y range :                -3.00 to          4.00\n"
    "Z range :                 0.00 to        100.12\n"
    "\n";

const std::string kThreePointsCounts =
    "1st Returns                      1\n"
    "2nd Returns                      1\n"
    "3rd Returns                      0\n"
    "4th Returns                      0\n"
    "\n"
    "Number of Returns = 1            1\n"
    "Number of Returns = 2            0\n"
    "Number of Returns = 3            0\n"
    "Number of Returns = 4            0\n"
    "Number of Returns = 7            1\n"
    "\n"
    "Return Class   2                 1\n"
    "Return Class  32                 1\n"
    "Return Class 200                 1\n";

const std::string kThreePointsDetail =
    "\n"
    "Intensity     0                  1\n"
    "Intensity   100                  2\n"
    "\n"
    "Scan Angle Rank -90            1\n"
    "Scan Angle Rank -10            1\n"
    "Scan Angle Rank   0            1\n"
    "\n"
    "User Data   0                  1\n"
    "User Data   7                  1\n"
    "User Data 255                  1\n"
    "\n"
    "Point Source ID     0          1\n"
    "Point Source ID     7          1\n"
    "Point Source ID 65535          1\n";

TEST(Report, GpsBearingFileWholeOutput) {
    TempDir dir;
    write_las(dir.file("t.las"), three_points(1));
    RunResult r = run_pointsieve({"t.las"}, dir.path());
    EXPECT_EQ(r.status, 0);
    const std::string head = banner() + progress("t.las", 1, 1) + kBlank + "\nSummary of t.las\n\n" +
                             "\rLAS version 1.2, Format 1 (Type 6)\n" + kRule + kThreePointsBody +
                             "GPS Time range :     -3.250000 to 1000000.000000\n\n" + kThreePointsCounts;
    EXPECT_EQ(without_elapsed(r.out), head + kElapsed);

    r = run_pointsieve({"t.las", "-d"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(without_elapsed(r.out), head + kThreePointsDetail + kElapsed);
    EXPECT_FALSE(file_exists(dir.file("t_stats.asc")));
}

TEST(Report, FileWithoutGpsTimeShowsAnEmptyRange) {
    TempDir dir;
    write_las(dir.file("t.las"), three_points(2));
    const RunResult r = run_pointsieve({"t.las"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(without_elapsed(r.out), banner() + progress("t.las", 1, 1) + kBlank + "\nSummary of t.las\n\n" +
                                          "\rLAS version 1.2, Format 2 (Type 7)\n" + kRule + kThreePointsBody +
                                          "GPS Time range : \n\n" + kThreePointsCounts + kElapsed);
}

TEST(Report, ListRunSumsItsFilesAndShowsTheLastVersion) {
    TempDir dir;
    LasRecipe first = three_points(0);
    first.minor = 0;
    LasRecipe second = three_points(0);
    second.minor = 0;
    // The run's extents come from the headers only; zero extents pull the
    // minima to zero.
    second.MinX = 0, second.MaxX = 0, second.MinY = 0, second.MaxY = 0, second.MinZ = -5, second.MaxZ = 0;
    for (Point &p : second.points) p.bitfield = 0x2D;  // return 5 of 5
    write_las(dir.file("a.las"), first);
    write_las(dir.file("b.las"), second);
    write_text(dir.file("tiles.txt"), "a.las\nb.las\n");
    const RunResult r = run_pointsieve({"tiles.txt"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(without_elapsed(r.out),
              banner() + progress("a.las", 1, 2) + progress("b.las", 2, 2) + kBlank +
                  "\nSummary of 2 files listed in tiles.txt\n\n"
                  "\rLAS version 1.0, Format 0 (Type 1)\n" +
                  kRule +
                  "Total points :            6\n\n"
                  "X range :                 0.00 to          2.25\n"
                  "Y range :                -3.00 to          4.00\n"
                  "Z range :                -5.00 to        100.12\n"
                  "\n"
                  "GPS Time range : \n\n"
                  "1st Returns                      1\n"
                  "2nd Returns                      1\n"
                  "3rd Returns                      0\n"
                  "4th Returns                      0\n"
                  "5th Returns                      3\n"
                  "\n"
                  "Number of Returns = 1            1\n"
                  "Number of Returns = 2            0\n"
                  "Number of Returns = 3            0\n"
                  "Number of Returns = 4            0\n"
                  "Number of Returns = 5            3\n"
                  "Number of Returns = 7            1\n"
                  "\n"
                  "Return Class   2                 2\n"
                  "Return Class  32                 2\n"
                  "Return Class 200                 2\n" +
                  kElapsed);
}

TEST(Report, LargestGpsTimeIsTheLargestNumberRead) {
    struct Case {
        const char *what;
        std::vector<double> times;
        std::string low, high;  // as printed with six decimals
    };
    // Adjusted standard GPS time is negative before September 2011.
    const Case cases[] = {
        {"all times negative, one NaN", {-109754629.582935, std::nan(""), -109754700.25, -109754629.75},
         "-109754700.250000", "-109754629.582935"},
        {"NaN times only", {std::nan(""), std::nan("")}, "100000000000.000000", "0.000000"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        LasRecipe recipe;
        recipe.format = 1;
        recipe.MinX = 1, recipe.MaxX = 2, recipe.MinY = 3, recipe.MaxY = 4, recipe.MinZ = 5, recipe.MaxZ = 6;
        for (double t : c.times) {
            Point p;
            p.GPSTime = t;
            recipe.points.push_back(p);
        }
        write_las(dir.file("g.las"), recipe);
        const RunResult r = run_pointsieve({"g.las", "-s"}, dir.path());
        EXPECT_EQ(r.status, 0);
        const std::string n = std::to_string(c.times.size());
        auto range = [](const std::string &v) { return sp(std::max(0, 13 - static_cast<int>(v.size()))) + v; };
        EXPECT_EQ(without_elapsed(r.out),
                  banner() + progress("g.las", 1, 1) + kBlank + "\nSummary of g.las\n\n" +
                      "\rLAS version 1.2, Format 1 (Type 6)\n" + kRule + "Total points :   " + sp(10 - int(n.size())) +
                      n + "\n\n" +
                      "X range :                 1.00 to          2.00\n"
                      "Y range :                 3.00 to          4.00\n"
                      "Z range :                 5.00 to          6.00\n"
                      "\n"
                      "GPS Time range : " +
                      range(c.low) + " to " + range(c.high) + "\n\n" + "1st Returns           " + sp(12 - int(n.size())) +
                      n + "\n" +
                      "2nd Returns                      0\n"
                      "3rd Returns                      0\n"
                      "4th Returns                      0\n"
                      "\n"
                      "Number of Returns = 1 " + sp(12 - int(n.size())) + n + "\n" +
                      "Number of Returns = 2            0\n"
                      "Number of Returns = 3            0\n"
                      "Number of Returns = 4            0\n"
                      "\n"
                      "Return Class   1      " + sp(12 - int(n.size())) + n + "\n" + kElapsed);
        EXPECT_EQ(read_text(dir.file("g_stats.asc")),
                  key("TotalPoints", 18, n) + key("XMin", 28, "1.00") + key("XMax", 28, "2.00") +
                      key("YMin", 28, "3.00") + key("YMax", 28, "4.00") + key("ZMin", 28, "5.00") +
                      key("ZMax", 28, "6.00") + key("GPSTimeMin", 26, c.low) + key("GPSTimeMax", 26, c.high) +
                      key("1stReturns", 19, n) + key("2ndReturns", 19, "0") + key("3rdReturns", 19, "0") +
                      key("4thReturns", 19, "0") + key("NumberReturns1", 15, n) + key("NumberReturns2", 15, "0") +
                      key("NumberReturns3", 15, "0") + key("NumberReturns4", 15, "0") + key("Class001", 21, n));
    }
}

}  // namespace
