// The command line, input classification and the validation of inputs, run
// through the built program.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <regex>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {

std::string banner() {
    static const std::string text = run_in_child([] { credits(); }).out;
    return text;
}

std::string usage() {
    return "\nUsage:\n"
           "Pointsieve -h\n"
           "Pointsieve <LAS File | ASCII List> <Options>\n"
           "          Options: -d Detailed Report\n"
           "                   -s Save report to LASFile_stats.asc | LASList_stats.asc\n\n" +
           banner();
}

constexpr int kFailed = 255;

struct LineCase {
    std::vector<std::string> args;
    std::string output;
    int status;
};

TEST(CommandLine, ArgumentErrorsPrintTheUsageText) {
    TempDir dir;
    write_las(dir.file("plot.las"), LasRecipe{});
    const LineCase cases[] = {
        {{}, "\nInvalid argument(s)\n" + usage(), kFailed},
        {{"plot.las", "-x"}, "\nInvalid argument(s)\n" + usage(), kFailed},
        {{"plot.las", "-h"}, "\nInvalid argument(s)\n" + usage(), kFailed},
        {{"plot.las", "other.las"}, "\nInvalid argument(s)\n" + usage(), kFailed},
        {{"-h", "-h"}, "\nMore than one -h arguments\n" + usage(), kFailed},
        {{"plot.las", "-d", "-d"}, "\nMore than one -d arguments\n" + usage(), kFailed},
        {{"plot.las", "-s", "-d", "-s"}, "\nMore than one -s arguments\n" + usage(), kFailed},
        // A lone -h asks for the usage text.
        {{"-h"}, usage(), 0},
        // The input must come first.
        {{"-d", "plot.las"}, "\nFile name (-d) is too short\n", kFailed},
        {{".las"}, "\nFile name (.las) is too short\n", kFailed},
        {{"files.list"}, "\nExtension of file files.list should be preceeded by a dot (.)\n", kFailed},
        {{"missing.las", "-d"},
         "Unable to open file missing.las in file_access()\n\nFile missing.las does NOT exist\n", kFailed},
        {{"missing.txt", "-s"}, "\nCannot open input ASCII file missing.txt for reading\n", kFailed},
    };
    for (const LineCase &c : cases) {
        const RunResult r = run_pointsieve(c.args, dir.path());
        std::string joined;
        for (const auto &a : c.args) joined += a + " ";
        EXPECT_EQ(r.out, c.output) << joined;
        EXPECT_EQ(r.status, c.status) << joined;
    }
    EXPECT_FALSE(file_exists(dir.file("plot_stats.asc")));
}

TEST(CommandLine, SingleFileThatIsNotUsable) {
    TempDir dir;
    copy_data_file("test1_4.las", dir.path());
    RunResult r = run_pointsieve({"test1_4.las", "-s"}, dir.path());
    EXPECT_EQ(r.out, "\nCannot handle las files of version 1.4\n");
    EXPECT_EQ(r.status, kFailed);

    // A LAS signature with a version and format pair that has no record layout.
    LasRecipe recipe;
    recipe.minor = 1;
    recipe.format = 3;
    write_las(dir.file("old.las"), recipe);
    r = run_pointsieve({"old.las"}, dir.path());
    EXPECT_EQ(r.out, "\nCannot handle point data format 3 in las files of version 1.1\n");
    EXPECT_EQ(r.status, kFailed);
    recipe.minor = 0;
    recipe.format = 2;
    write_las(dir.file("old.las"), recipe);
    r = run_pointsieve({"old.las"}, dir.path());
    EXPECT_EQ(r.out, "\nCannot handle point data format 2 in las files of version 1.0\n");

    write_text(dir.file("text.las"), "not a las file at all");
    r = run_pointsieve({"text.las", "-d"}, dir.path());
    EXPECT_EQ(r.out, "\ntext.las is not a valid .las file\n\n");
    EXPECT_EQ(r.status, kFailed);
    EXPECT_FALSE(file_exists(dir.file("text_stats.asc")));
}

TEST(ListFiles, EveryEntryIsValidatedBeforeAnyPointIsRead) {
    TempDir dir;
    copy_data_file("1.1_1.las", dir.path());
    copy_data_file("1.2_1.las", dir.path());
    copy_data_file("1.2_3.las", dir.path());
    copy_data_file("simple.las", dir.path());
    LasRecipe old;
    old.minor = 1;
    old.format = 2;
    write_las(dir.file("old.las"), old);

    struct Case {
        std::string list;
        std::string output;
    };
    const Case cases[] = {
        // Same point layout, different version: still a different type.
        {"1.1_1.las\n1.2_1.las\n", "\nType of file 1.2_1.las differs from that of previous files in l.txt\n"},
        {"simple.las 1.2_3.las 1.2_1.las", "\nType of file 1.2_1.las differs from that of previous files in l.txt\n"},
        {"simple.las\nmissing.las\n",
         "Unable to open file missing.las in file_access()\n\nFile missing.las does NOT exist\n"
         "missing.las (listed in l.txt) is not a valid LAS file\n"},
        {"old.las\n", "old.las (listed in l.txt) is not a valid LAS file\n"},
        {"simple.las l.txt", "\nFile extension of l.txt is not .las\nl.txt (listed in l.txt) is not a valid LAS file\n"},
        {"", "\nFile l.txt contains no valid .las files\n"},
        {" \n\t\r\n", "\nFile l.txt contains no valid .las files\n"},
    };
    for (const Case &c : cases) {
        write_text(dir.file("l.txt"), c.list);
        const RunResult r = run_pointsieve({"l.txt", "-s"}, dir.path());
        EXPECT_EQ(r.out, c.output) << c.list;
        EXPECT_EQ(r.status, kFailed) << c.list;
        EXPECT_FALSE(file_exists(dir.file("l_stats.asc")));
    }

    // A folder given as the list opens, but reading it fails: that is an
    // error, not an empty list.
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("tiles.txt")));
    const RunResult r = run_pointsieve({"tiles.txt"}, dir.path());
#ifdef _WIN32
    // Windows does not open a folder as a file at all.
    EXPECT_EQ(r.out, "\nCannot open input ASCII file tiles.txt for reading\n");
#else
    EXPECT_EQ(r.out, "\nCannot read input ASCII file tiles.txt\n");
#endif
    EXPECT_EQ(r.status, kFailed);
}

TEST(ListFiles, UppercaseExtensionMakesAList) {
    TempDir dir;
    copy_data_file("1.2_0.las", dir.path());
    write_text(dir.file("plot.LAS"), "1.2_0.las\t1.2_0.las");
    const RunResult r = run_pointsieve({"plot.LAS"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\nSummary of 2 files listed in plot.LAS\n\n"), std::string::npos) << r.out;
}

TEST(ListFiles, NamesWithNonAsciiBytesAndAnyLength) {
    TempDir dir;
    // Longer than any fixed name buffer: folders of 100 characters each.
    std::string long_name;
    for (int k = 0; k < 3; ++k) {
        long_name += std::string(100, static_cast<char>('a' + k)) + "/";
        ASSERT_TRUE(std::filesystem::create_directory(dir.file(long_name)));
    }
    long_name += std::string(200, 'x') + ".las";
    const std::string accented = "t\xc3\xa9l\xc3\xa9.las";
    LasRecipe recipe;
    recipe.points.resize(3);
    write_las(dir.file(long_name), recipe);
    write_las(dir.file(accented), recipe);
    write_text(dir.file("tiles.txt"), long_name + "\n" + accented + "\n");
    const RunResult r = run_pointsieve({"tiles.txt"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\rProcessing file " + accented + " (2 / 2)"), std::string::npos);
    EXPECT_NE(r.out.find("Total points :            6\n"), std::string::npos);
}

TEST(ListFiles, ProcessingUsesTheNamesThatWereValidated) {
    // The list is read once: a list rewritten after the validation pass
    // cannot change what is processed. Here the same name listed twice is
    // simply processed twice.
    TempDir dir;
    LasRecipe recipe;
    recipe.points.resize(4);
    write_las(dir.file("a.las"), recipe);
    write_text(dir.file("l.txt"), "a.las a.las");
    const RunResult r = run_pointsieve({"l.txt"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\rProcessing file a.las (1 / 2)"), std::string::npos);
    EXPECT_NE(r.out.find("\rProcessing file a.las (2 / 2)"), std::string::npos);
    EXPECT_NE(r.out.find("Total points :            8\n"), std::string::npos);
}

TEST(Run, ElapsedTimeEndsEveryCompleteRun) {
    TempDir dir;
    copy_data_file("1.2_0.las", dir.path());
    const RunResult r = run_pointsieve({"1.2_0.las"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(std::regex_search(r.out, std::regex("\nElapsed time [0-9]+\\.[0-9]{3} seconds\n$"))) << r.out;
    EXPECT_EQ(r.out.rfind(banner(), 0), 0u);
}

}  // namespace

namespace {

TEST(ListFiles, EndlessListIsRefusedAtItsFirstName) {
    TempDir dir;
#ifndef _WIN32  // no /dev/zero to link to
    ASSERT_EQ(symlink("/dev/zero", dir.file("zeros.txt").c_str()), 0);
    const RunResult r = run_pointsieve({"zeros.txt"}, dir.path());
    // The first name is a run of NUL bytes, which names no file.
    EXPECT_EQ(r.out,
              "Unable to open file  in file_access()\n\nFile  does NOT exist\n"
              " (listed in zeros.txt) is not a valid LAS file\n");
    EXPECT_EQ(r.status, kFailed);
#endif

    // A name too long for any file is refused as it stands.
    const std::string long_name = std::string(5000, 'y') + ".las";
    write_text(dir.file("long.txt"), long_name + "\n");
    const RunResult l = run_pointsieve({"long.txt"}, dir.path());
    const std::string piece = long_name.substr(0, 4097);
    EXPECT_EQ(l.out, "Unable to open file " + piece + " in file_access()\n\nFile " + piece + " does NOT exist\n" +
                         piece + " (listed in long.txt) is not a valid LAS file\n");
    EXPECT_EQ(l.status, kFailed);
}

}  // namespace
