// Whole outputs of complete runs: the progress lines, the console summary and
// the statistics file.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>
#include <regex>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {


// Three points of format 1 that exercise the odd corners of every histogram.
LasRecipe three_points(uint8_t format) {
    LasRecipe s;
    s.format = format;
    s.MinX = 1.5, s.MaxX = 2.25, s.MinY = -3, s.MaxY = 4, s.MinZ = 0, s.MaxZ = 100.125;
    Point a;
    a.bitfield = 0x09, a.Classification = 2, a.GPSTime = 10.5, a.Intensity = 100, a.PointSourceID = 7;
    Point b;  // return 2 of 7, flagged class, negative scan angle
    b.bitfield = 0x3A, b.Classification = 200, b.GPSTime = -3.25, b.Intensity = 100, b.ScanAngleRank = 166,
    b.UserData = 255, b.PointSourceID = 65535;
    Point c;  // return 0 of 0
    c.bitfield = 0x00, c.Classification = 32, c.GPSTime = 1e6, c.Intensity = 0, c.ScanAngleRank = 246,
    c.UserData = 7, c.PointSourceID = 0;
    s.points = {a, b, c};
    return s;
}

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

std::string key(const std::string &name, int width, const std::string &value) {
    return name + " " + sp(width - static_cast<int>(value.size())) + value + "\n";
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

TEST(StatisticsFile, HoldsTheFiguresAsKeyValueLines) {
    TempDir dir;
    write_las(dir.file("t.las"), three_points(1));
    RunResult r = run_pointsieve({"t.las", "-s"}, dir.path());
    EXPECT_EQ(r.status, 0);
    const std::string common = key("TotalPoints", 18, "3") + key("XMin", 28, "1.50") + key("XMax", 28, "2.25") +
                               key("YMin", 28, "-3.00") + key("YMax", 28, "4.00") + key("ZMin", 28, "0.00") +
                               key("ZMax", 28, "100.12") + key("GPSTimeMin", 26, "-3.250000") +
                               key("GPSTimeMax", 26, "1000000.000000") + key("1stReturns", 19, "1") +
                               key("2ndReturns", 19, "1") + key("3rdReturns", 19, "0") + key("4thReturns", 19, "0") +
                               key("NumberReturns1", 15, "1") + key("NumberReturns2", 15, "0") +
                               key("NumberReturns3", 15, "0") + key("NumberReturns4", 15, "0") +
                               key("NumberReturns7", 15, "1") + key("Class002", 21, "1") + key("Class032", 21, "1") +
                               key("Class200", 21, "1");
    EXPECT_EQ(read_text(dir.file("t_stats.asc")), common);
    // The console report is the same with or without -s.
    EXPECT_EQ(without_elapsed(r.out), without_elapsed(run_pointsieve({"t.las"}, dir.path()).out));

    // A second run replaces the file; -d adds the detailed families.
    r = run_pointsieve({"t.las", "-d", "-s"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(read_text(dir.file("t_stats.asc")),
              common + key("Intensity00000", 15, "1") + key("Intensity00100", 15, "2") +
                  key("ScanAngleRank-090", 12, "1") + key("ScanAngleRank-010", 12, "1") +
                  key("ScanAngleRank000", 13, "1") + key("UserData000", 18, "1") + key("UserData007", 18, "1") +
                  key("UserData255", 18, "1") + key("PointSourceID00000", 11, "1") +
                  key("PointSourceID00007", 11, "1") + key("PointSourceID65535", 11, "1"));
}

TEST(StatisticsFile, NameAndBareGpsKeys) {
    TempDir dir;
    write_las(dir.file("a.las"), three_points(0));
    ASSERT_EQ(run_pointsieve({"a.las", "-s"}, dir.path()).status, 0);
    const std::string text = read_text(dir.file("a_stats.asc"));
    EXPECT_NE(text.find(key("ZMax", 28, "100.12") + "GPSTimeMin\nGPSTimeMax\n1stReturns"), std::string::npos);

    // A list's file is named after the list, beside it, whatever folder is
    // given in the argument.
    write_text(dir.file("tiles.txt"), dir.file("a.las") + " " + dir.file("a.las"));
    const std::string sub = dir.path() + "/..";
    const std::string rel = dir.path().substr(dir.path().rfind('/') + 1) + "/tiles.txt";
    ASSERT_EQ(run_pointsieve({rel, "-s"}, sub).status, 0);
    EXPECT_EQ(read_text(dir.file("tiles_stats.asc")).rfind(key("TotalPoints", 18, "6"), 0), 0u);
}

// Whatever a failure, the name holds either the earlier file or a whole new
// one; a link or a FIFO of that name is replaced, never followed or opened.
TEST(StatisticsFile, ReplacedWholeOrNotAtAll) {
    TempDir dir;
    write_las(dir.file("t.las"), three_points(1));
    ASSERT_EQ(run_pointsieve({"t.las", "-s", "-d"}, dir.path()).status, 0);
    const std::string whole = read_text(dir.file("t_stats.asc"));
    const auto only_stats_files_left = [&] {
        for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
            EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
    };

#ifndef _WIN32
    struct Held {
        const char *what;
        std::function<void()> make;
    };
    write_text(dir.file("victim.txt"), "not to be touched\n");
    const Held held[] = {
        {"a link to another file", [&] { ASSERT_EQ(symlink("victim.txt", dir.file("f_stats.asc").c_str()), 0); }},
        {"a dangling link", [&] { ASSERT_EQ(symlink("nowhere.txt", dir.file("f_stats.asc").c_str()), 0); }},
        {"a hard link", [&] { ASSERT_EQ(link(dir.file("victim.txt").c_str(), dir.file("f_stats.asc").c_str()), 0); }},
        {"a FIFO", [&] { ASSERT_EQ(mkfifo(dir.file("f_stats.asc").c_str(), 0600), 0); }},
        {"a link to /dev/full", [&] { ASSERT_EQ(symlink("/dev/full", dir.file("f_stats.asc").c_str()), 0); }},
    };
    write_las(dir.file("f.las"), three_points(1));
    for (const Held &h : held) {
        SCOPED_TRACE(h.what);
        std::filesystem::remove(dir.file("f_stats.asc"));
        h.make();
        EXPECT_EQ(run_pointsieve({"f.las", "-s", "-d"}, dir.path()).status, 0);
        EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(dir.file("f_stats.asc"))));
        EXPECT_EQ(read_text(dir.file("f_stats.asc")), whole);
        EXPECT_EQ(read_text(dir.file("victim.txt")), "not to be touched\n");
        EXPECT_FALSE(file_exists(dir.file("nowhere.txt")));
    }

    // A write stopped by a file-size limit is reported, not a silent death.
    RunOptions small;
    small.file_size = 100;
    write_las(dir.file("t.las"), three_points(3));
    RunResult r = run_pointsieve({"t.las", "-s", "-d"}, dir.path(), small);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out.substr(r.out.rfind('\n', r.out.size() - 2)), "\nCannot write ASCII file t_stats.asc\n");
    EXPECT_EQ(read_text(dir.file("t_stats.asc")), whole);

    // Killed between the write and the rename: the earlier file stands.
    RunOptions killed;
    killed.environment = killed_at_rename();
    EXPECT_EQ(run_pointsieve({"t.las", "-s", "-d"}, dir.path(), killed).status, 1000 + SIGKILL);
    EXPECT_EQ(read_text(dir.file("t_stats.asc")), whole);
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        if (entry.path().filename().string().find(".tmp.") != std::string::npos) std::filesystem::remove(entry);

    // A report that never reached standard output replaces nothing.
    RunOptions full;
    full.stdout_to = RunOptions::Stdout::Full;
    r = run_pointsieve({"t.las", "-s", "-d"}, dir.path(), full);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, "Pointsieve: cannot write the report to standard output: No space left on device\n");
    EXPECT_EQ(read_text(dir.file("t_stats.asc")), whole);

    // The new file gets the permissions of any new file.
    std::filesystem::remove(dir.file("t_stats.asc"));
    const mode_t mask = umask(022);
    ASSERT_EQ(run_pointsieve({"t.las", "-s"}, dir.path()).status, 0);
    umask(mask);
    EXPECT_EQ(std::filesystem::status(dir.file("t_stats.asc")).permissions(),
              std::filesystem::perms(0644));
#endif
    only_stats_files_left();

    // A statistics file that cannot be created at all.
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("u_stats.asc")));
    write_las(dir.file("u.las"), three_points(1));
    const RunResult u = run_pointsieve({"u.las", "-s"}, dir.path());
    EXPECT_EQ(u.status, 255);
    EXPECT_EQ(u.out.substr(u.out.size() - 48), "\nCannot open ASCII file u_stats.asc for writing\n");
}

#ifndef _WIN32
// Two runs that write one name at once (t.las and t.txt both give
// t_stats.asc) each leave a whole file; the last rename wins.
TEST(StatisticsFile, ConcurrentRunsLeaveOneWholeFile) {
    TempDir dir;
    LasRecipe big = three_points(3);
    for (int k = 0; k < 2000; ++k) {
        Point p;
        p.Intensity = static_cast<uint16_t>(k * 7);
        p.PointSourceID = static_cast<uint16_t>(k);
        big.points.push_back(p);
    }
    write_las(dir.file("t.las"), big);
    write_las(dir.file("u.las"), three_points(3));
    write_text(dir.file("t.txt"), "u.las\n");
    ASSERT_EQ(run_pointsieve({"t.las", "-s", "-d"}, dir.path()).status, 0);
    const std::string from_las = read_text(dir.file("t_stats.asc"));
    ASSERT_EQ(run_pointsieve({"t.txt", "-s", "-d"}, dir.path()).status, 0);
    const std::string from_list = read_text(dir.file("t_stats.asc"));
    for (int round = 0; round < 5; ++round) {
        RunOptions alongside;
        alongside.when_output_has = "Processing file";
        alongside.on_output = [&] { EXPECT_EQ(run_pointsieve({"t.txt", "-s", "-d"}, dir.path()).status, 0); };
        EXPECT_EQ(run_pointsieve({"t.las", "-s", "-d"}, dir.path(), alongside).status, 0);
        const std::string now = read_text(dir.file("t_stats.asc"));
        EXPECT_TRUE(now == from_las || now == from_list) << now.size();
    }
}
#endif

}  // namespace

namespace {

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
