// File existence and extension checks, numbered messages and the banner.
#include <gtest/gtest.h>

#include <algorithm>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {

struct ExtensionCase {
    const char *name;
    const char *extension;
    int result;
    const char *output;
};

TEST(CheckFileExtension, AcceptsOnlyADotAndTheExactThreeLetters) {
    const ExtensionCase cases[] = {
        {"a.las", "las", 0, ""},
        {"a.b.las", "las", 0, ""},
        {"dir.x/tile.las", "las", 0, ""},
        {".las", "las", -1, "\nFile name (.las) is too short\n"},
        {"", "las", -1, "\nFile name () is too short\n"},
        {"dataXlas", "las", -1, "\nExtension of file dataXlas should be preceeded by a dot (.)\n"},
        {"data.txt", "las", -1, "\nFile extension of data.txt is not .las\n"},
        {"points.LAS", "las", -1, "\nFile extension of points.LAS is not .las\n"},
        // Only three-letter extensions can ever match.
        {"tile.las", "la", -1, "\nFile extension of tile.las is not .la\n"},
        {"tile.lasx", "lasx", -1, "\nExtension of file tile.lasx should be preceeded by a dot (.)\n"},
    };
    for (const ExtensionCase &c : cases) {
        const RunResult r = run_in_child([&] { std::exit(check_file_extension(c.name, c.extension) == 0 ? 0 : 1); });
        EXPECT_EQ(r.status, c.result == 0 ? 0 : 1) << c.name;
        EXPECT_EQ(r.out, c.output) << c.name;
    }
}

TEST(FileAccess, ReportsFilesThatDoNotOpen) {
    TempDir dir;
    write_text(dir.file("present.las"), "x");
    EXPECT_EQ(file_access(dir.file("present.las").c_str()), 0);

    const std::string missing = dir.file("missing.las");
    const RunResult r = run_in_child([&] { std::exit(file_access(missing.c_str()) == -1 ? 0 : 1); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "Unable to open file " + missing + " in file_access()\n");
}

TEST(ErrorMsg, PrintsTheThreeNumberedMessagesAndNothingElse) {
    const RunResult r = run_in_child([] {
        for (int i = -1; i <= 4; ++i) error_msg(i, "tile.las");
    });
    EXPECT_EQ(r.out,
              "\nFile tile.las does NOT exist\n"
              "\nFile tile.las already exists\n"
              "\nSame file name (tile.las) has been specified twice\n");
}

TEST(Credits, StartsOnAFreshLineAndEndsWithANewline) {
    const RunResult r = run_in_child([] { credits(); });
    ASSERT_GE(r.out.size(), 2u);
    EXPECT_EQ(r.out.rfind("\nKorvane LiDAR Utilities\n\nDeveloped and maintained by ", 0), 0u);
    const std::string tail =
        "\n\n** No warranty regarding script behavior is given or implied **"
        "\n** Acknowledging the author's efforts ensures script updates and availability **\n";
    ASSERT_GE(r.out.size(), tail.size());
    EXPECT_EQ(r.out.substr(r.out.size() - tail.size()), tail);
    // Maintainer, organisation and address: three lines between the two.
    const std::string middle = r.out.substr(0, r.out.size() - tail.size());
    EXPECT_EQ(std::count(middle.begin(), middle.end(), '\n'), 5);
}

}  // namespace
