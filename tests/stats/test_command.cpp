// The command line and its options, run through the built program: the
// argument errors and the usage text, --help and --version, inputs that are
// not usable, and the end of a complete run.
#include <gtest/gtest.h>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {

std::string usage() {
    return "\nUsage:\n"
           "Pointsieve -h\n"
           "Pointsieve <LAS File | ASCII List> <Options>\n"
           "          Options: -d Detailed Report\n"
           "                   -s Save report to LASFile_stats.asc | LASList_stats.asc\n\n" +
           banner();
}

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
        // A lone -h or --help asks for the usage text, a lone --version for
        // the version; anywhere else they are words like any other.
        {{"-h"}, usage(), 0},
        {{"--help"}, usage(), 0},
        {{"--version"}, version_text("Pointsieve"), 0},
        {{"--help", "-d"}, "\nExtension of file --help should be preceeded by a dot (.)\n", kFailed},
        {{"--version", "-s"}, "\nExtension of file --version should be preceeded by a dot (.)\n", kFailed},
        {{"plot.las", "--version"}, "\nInvalid argument(s)\n" + usage(), kFailed},
        {{"--help", "--version"}, "\nInvalid argument(s)\n" + usage(), kFailed},
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

TEST(Run, ElapsedTimeEndsEveryCompleteRun) {
    TempDir dir;
    copy_data_file("1.2_0.las", dir.path());
    const RunResult r = run_pointsieve({"1.2_0.las"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(ends_with_elapsed(r.out)) << r.out;
    EXPECT_EQ(r.out.rfind(banner(), 0), 0u);
}

}  // namespace
