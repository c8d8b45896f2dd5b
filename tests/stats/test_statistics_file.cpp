// The statistics file that -s writes: its key-value lines, its name, and
// how it replaces an earlier file.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <functional>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {

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
// one; a link of that name is replaced, never followed, and a FIFO or a
// device there (directly or through a link) is refused, never opened.
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
        bool refused = false;
    };
    write_text(dir.file("victim.txt"), "not to be touched\n");
    const Held held[] = {
        {"a link to another file", [&] { ASSERT_EQ(symlink("victim.txt", dir.file("f_stats.asc").c_str()), 0); }},
        {"a dangling link", [&] { ASSERT_EQ(symlink("nowhere.txt", dir.file("f_stats.asc").c_str()), 0); }},
        {"a hard link", [&] { ASSERT_EQ(link(dir.file("victim.txt").c_str(), dir.file("f_stats.asc").c_str()), 0); }},
        {"a FIFO", [&] { ASSERT_EQ(mkfifo(dir.file("f_stats.asc").c_str(), 0600), 0); }, true},
        {"a link to /dev/full", [&] { ASSERT_EQ(symlink("/dev/full", dir.file("f_stats.asc").c_str()), 0); }, true},
    };
    write_las(dir.file("f.las"), three_points(1));
    for (const Held &h : held) {
        SCOPED_TRACE(h.what);
        std::filesystem::remove(dir.file("f_stats.asc"));
        h.make();
        const auto type_before = std::filesystem::symlink_status(dir.file("f_stats.asc")).type();
        const RunResult run = run_pointsieve({"f.las", "-s", "-d"}, dir.path());
        if (h.refused) {
            EXPECT_EQ(run.status, 255);
            EXPECT_TRUE(run.out.ends_with("\nCannot open ASCII file f_stats.asc for writing\n")) << run.out;
            EXPECT_EQ(std::filesystem::symlink_status(dir.file("f_stats.asc")).type(), type_before);
            continue;
        }
        EXPECT_EQ(run.status, 0);
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
