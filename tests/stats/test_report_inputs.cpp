// The console report of real, empty, odd and truncated files: the figures
// each yields, and the version line of every type of file.
#include <gtest/gtest.h>

#include <cmath>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {

TEST(Report, EmptyGpsFilesAndNotANumber) {
    TempDir dir;
    LasRecipe empty;
    empty.format = 3;
    write_las(dir.file("e.las"), empty);
    RunResult r = run_pointsieve({"e.las"}, dir.path());
    EXPECT_NE(r.out.find("Total points :            0\n\nX range :                 0.00 to          0.00\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("GPS Time range : 100000000000.000000 to      0.000000\n\n"), std::string::npos) << r.out;

    // NaN times and extents never replace an extreme; the largest time is
    // the largest number, negative or not.
    LasRecipe odd;
    odd.format = 1;
    odd.MinX = std::nan(""), odd.MaxX = std::nan(""), odd.MinY = 1, odd.MaxY = 2, odd.MinZ = 3, odd.MaxZ = 4;
    Point p;
    p.GPSTime = std::nan("");
    Point q;
    q.GPSTime = -7.5;
    odd.points = {p, q, p};
    write_las(dir.file("n.las"), odd);
    r = run_pointsieve({"n.las"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("X range :        100000000000.00 to -100000000000.00\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("GPS Time range :     -7.500000 to     -7.500000\n\n"), std::string::npos) << r.out;
}

TEST(Report, RealSurveyFileMatchesAnotherReader) {
    TempDir dir;
    copy_data_file("simple.las", dir.path());
    const RunResult r = run_pointsieve({"simple.las", "-d"}, dir.path());
    EXPECT_EQ(r.status, 0);
    const std::string expected =
        "Total points :         1065\n\n"
        "X range :            635619.85 to     638982.55\n"
        "Y range :            848899.70 to     853535.43\n"
        "Z range :               406.59 to        586.38\n"
        "\n"
        "GPS Time range : 245370.417065 to 249783.162158\n\n"
        "1st Returns                    925\n"
        "2nd Returns                    114\n"
        "3rd Returns                     21\n"
        "4th Returns                      5\n"
        "\n"
        "Number of Returns = 1          789\n"
        "Number of Returns = 2          195\n"
        "Number of Returns = 3           71\n"
        "Number of Returns = 4           10\n"
        "\n"
        "Return Class   1               789\n"
        "Return Class   2               276\n"
        "\n"
        "Intensity     0                 23\n";
    EXPECT_NE(r.out.find(expected), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nScan Angle Rank -19 "), std::string::npos);
    EXPECT_NE(r.out.find("\nScan Angle Rank  18 "), std::string::npos);
    EXPECT_EQ(r.out.find("\nScan Angle Rank -20 "), std::string::npos);
    EXPECT_NE(r.out.find("\nPoint Source ID  7326 "), std::string::npos);
    EXPECT_NE(r.out.find("\nPoint Source ID  7334 "), std::string::npos);
    EXPECT_EQ(r.out.find("\nPoint Source ID  7335 "), std::string::npos);
}

TEST(Report, TruncatedFileIsSummarisedAsFarAsItGoes) {
    TempDir dir;
    LasRecipe recipe = three_points(1);
    recipe.declared_points = 5;
    Bytes bytes = build_las(recipe);
    bytes.resize(bytes.size() - 10);  // the last record loses 10 of its 28 bytes
    write_file(dir.file("cut.las"), bytes);
    RunResult r = run_pointsieve({"cut.las", "-d"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(progress("cut.las", 1, 1) +
                         "\nWarning: cut.las holds 2 of the 5 point records declared in its header\n" + kBlank),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("Total points :            2\n"), std::string::npos);
    EXPECT_NE(r.out.find("GPS Time range :     -3.250000 to     10.500000\n"), std::string::npos);
    EXPECT_NE(r.out.find("\nPoint Source ID     7          1\nPoint Source ID 65535          1\n"), std::string::npos);

    // An offset beyond the end of the file leaves no record at all.
    recipe.offset_to_data = 100000;
    write_las(dir.file("far.las"), recipe);
    r = run_pointsieve({"far.las"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\nWarning: far.las holds 0 of the 5 point records declared in its header\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("Total points :            0\n"), std::string::npos);

    // A header that declares fewer records than the file holds is believed.
    recipe = three_points(1);
    recipe.declared_points = 1;
    write_las(dir.file("few.las"), recipe);
    r = run_pointsieve({"few.las"}, dir.path());
    EXPECT_EQ(r.out.find("Warning"), std::string::npos);
    EXPECT_NE(r.out.find("Total points :            1\n"), std::string::npos);
}

TEST(Report, EveryTypeOfRealFileGetsItsVersionLineAndCount) {
    TempDir dir;
    const char *names[] = {"1.0_0.las", "1.0_1.las", "1.1_0.las", "1.1_1.las",
                           "1.2_0.las", "1.2_1.las", "1.2_2.las", "1.2_3.las"};
    for (int k = 0; k < 8; ++k) {
        const std::string name = names[k];
        copy_data_file(name, dir.path());
        const RunResult r = run_pointsieve({name}, dir.path());
        EXPECT_EQ(r.status, 0) << name;
        const std::string version = "\rLAS version " + name.substr(0, 3) + ", Format " + name.substr(4, 1) +
                                    " (Type " + std::to_string(k + 1) + ")\n";
        EXPECT_NE(r.out.find(version + kRule + "Total points :            1\n\n"), std::string::npos) << r.out;
        const bool gps = (k % 2 == 1);
        EXPECT_EQ(r.out.find("GPS Time range : \n\n") == std::string::npos, gps) << name;
    }
}

}  // namespace
