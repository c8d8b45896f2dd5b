// Lists of LAS files, run through the built program: how a list is told
// from a LAS file, how its names are read, and the validation of every
// entry before any point is read.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {

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
    ASSERT_TRUE(std::filesystem::create_directory(dir.file("folder.las")));
    write_text(dir.file("notes.txt"), "simple.las\n");
    write_las(dir.file("my plot.las"), LasRecipe{});

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
        {"simple.las folder.las", "\nfolder.las is not a valid .las file\n\nfolder.las (listed in l.txt) is not a valid LAS file\n"},
        // A list inside the list is not a LAS file.
        {"simple.las notes.txt", "\nFile extension of notes.txt is not .las\nnotes.txt (listed in l.txt) is not a valid LAS file\n"},
        // Names are whitespace-separated: a name with a space is two names.
        {"my plot.las", "Unable to open file my in file_access()\n\nFile my does NOT exist\n"
                        "my (listed in l.txt) is not a valid LAS file\n"},
        {"simple.las l.txt", "\nFile extension of l.txt is not .las\nl.txt (listed in l.txt) is not a valid LAS file\n"},
        {"", "\nFile l.txt contains no valid .las files\n"},
        {" \n\t\r\v\f\n", "\nFile l.txt contains no valid .las files\n"},
    };
    for (const Case &c : cases) {
        write_text(dir.file("l.txt"), c.list);
        const RunResult r = run_pointsieve({"l.txt", "-s"}, dir.path());
        EXPECT_EQ(r.out, c.output) << c.list;
        EXPECT_EQ(r.status, kFailed) << c.list;
        EXPECT_FALSE(file_exists(dir.file("l_stats.asc")));
    }

    // A folder given as a LAS file.
    const RunResult folder = run_pointsieve({"folder.las", "-s"}, dir.path());
    EXPECT_EQ(folder.out, "\nfolder.las is not a valid .las file\n\n");
    EXPECT_EQ(folder.status, kFailed);

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

TEST(ListFiles, ByteOrderMarkAndControlCharactersInNames) {
    TempDir dir;
    copy_data_file("1.2_0.las", dir.path());
    // A byte-order mark at the start of a list is not part of its first name.
    for (const std::string list : {"\xEF\xBB\xBF" "1.2_0.las\r\n", "\xEF\xBB\xBF\n1.2_0.las"}) {
        write_text(dir.file("l.txt"), list);
        const RunResult r = run_pointsieve({"l.txt"}, dir.path());
        EXPECT_EQ(r.status, 0) << r.out;
        EXPECT_NE(r.out.find(progress("1.2_0.las", 1, 1)), std::string::npos) << r.out;
    }

    // A name that would retitle the window and clear the screen goes through
    // a pipe byte for byte, and shows its control characters as '?' on a
    // terminal.
    write_text(dir.file("l.txt"), "1.2_0.las \x1b]0;owned\x07\x1b[2J.las\n");
    const auto message = [](const std::string &name) {
        return "Unable to open file " + name + " in file_access()\n\nFile " + name + " does NOT exist\n" + name +
               " (listed in l.txt) is not a valid LAS file\n";
    };
    EXPECT_EQ(run_pointsieve({"l.txt"}, dir.path()).out, message("\x1b]0;owned\x07\x1b[2J.las"));
#ifndef _WIN32
    RunOptions terminal;
    terminal.stdout_to = RunOptions::Stdout::Terminal;
    const RunResult r = run_pointsieve({"l.txt"}, dir.path(), terminal);
    EXPECT_EQ(r.out, message("?]0;owned??[2J.las"));
    EXPECT_EQ(r.status, kFailed);
    // C1 controls, in UTF-8 and as raw bytes, and bidirectional overrides
    // and isolates show as '?' too, one for each; letters stay.
    const std::string hostile = "\xC2\x9B" "2J\x9B" "x\xE2\x80\xAE" "y\xE2\x81\xA6" "\xC3\xA9\xE2\x82\xAC.las";
    write_text(dir.file("l.txt"), "1.2_0.las " + hostile + "\n");
    EXPECT_EQ(run_pointsieve({"l.txt"}, dir.path(), terminal).out, message("?2J?x?y?\xC3\xA9\xE2\x82\xAC.las"));
    EXPECT_EQ(run_pointsieve({"l.txt"}, dir.path()).out, message(hostile));

    // The progress line of a long name is blanked whole before the summary.
    const std::string name(120, 'x');
    copy_data_file("1.2_0.las", dir.path());
    std::filesystem::rename(dir.file("1.2_0.las"), dir.file(name + ".las"));
    const RunResult longer = run_pointsieve({name + ".las"}, dir.path(), terminal);
    const std::string line = progress(name + ".las", 1, 1);
    EXPECT_NE(longer.out.find(line + "\r" + sp(static_cast<int>(line.size()) - 1) + "\nSummary of "),
              std::string::npos)
        << longer.out;
#endif
}

TEST(ListFiles, UppercaseExtensionMakesAList) {
    TempDir dir;
    copy_data_file("1.2_0.las", dir.path());
    write_text(dir.file("plot.LAS"), "1.2_0.las\t1.2_0.las");
    const RunResult r = run_pointsieve({"plot.LAS"}, dir.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\nSummary of 2 files listed in plot.LAS\n\n"), std::string::npos) << r.out;
}

TEST(ListFiles, LasDataUnderAnotherExtensionIsRefused) {
    TempDir dir;
    LasRecipe recipe;
    recipe.format = 1;
    recipe.points.resize(2);
    const Bytes las = build_las(recipe);
    write_las(dir.file("LASF_a.las"), recipe);
    auto text = [](const std::string &s) { return Bytes(s.begin(), s.end()); };
    // "LASF", then spaces up to byte at, then a NUL byte.
    auto nul_at = [](std::size_t at) {
        Bytes b(at + 1, ' ');
        std::copy_n("LASF", 4, b.begin());
        b[at] = 0;
        return b;
    };
    auto refusal = [](const std::string &name) {
        return "\nFile " + name +
               " is a LAS file, not a list of file names: LAS files are read only under names ending in .las\n";
    };
    const std::string missing_lasf = "Unable to open file LASF in file_access()\n\nFile LASF does NOT exist\n";
    struct Case {
        std::string name;
        Bytes content;
        std::string output;
        int status;
    };
    // A LAZ file: LAS data whose point format identifier has bit 7 set.
    Bytes laz = las;
    laz[104] |= 0x80;
    const std::string compressed = "\nFile tile.laz holds compressed (LAZ) point data, which is not read: "
                                   "decompress it to a .las file first\n";
    const Case cases[] = {
        {"plot.LAS", las, refusal("plot.LAS"), kFailed},
        {"tile.laz", laz, compressed, kFailed},
        {"plot.laz", las, refusal("plot.laz"), kFailed},
        {"cut.txt", Bytes(las.begin(), las.begin() + 100), refusal("cut.txt"), kFailed},
        // (Not named nul.txt: NUL is a device on Windows, whatever the extension.)
        {"last_byte.txt", nul_at(226), refusal("last_byte.txt"), kFailed},
        // A NUL byte past the first 227 bytes, or no LASF, leaves a list.
        {"late.txt", nul_at(227), missing_lasf + "LASF (listed in late.txt) is not a valid LAS file\n", kFailed},
        {"sig.txt", Bytes{'L', 'A', 'S', 'f', 0, ' '},
         "Unable to open file LASf in file_access()\n\nFile LASf does NOT exist\n"
         "LASf (listed in sig.txt) is not a valid LAS file\n",
         kFailed},
        // A text list whose first name begins with LASF.
        {"first.txt", text("LASF_a.las\nLASF_a.las\n"), "", 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        write_file(dir.file(c.name), c.content);
        const RunResult r = run_pointsieve({c.name, "-s"}, dir.path());
        EXPECT_EQ(r.status, c.status);
        if (c.status == 0)
            EXPECT_NE(r.out.find("\nSummary of 2 files listed in first.txt\n\n"), std::string::npos) << r.out;
        else
            EXPECT_EQ(r.out, c.output);
        EXPECT_EQ(file_exists(dir.file(c.name.substr(0, c.name.size() - 4) + "_stats.asc")), c.status == 0);
    }
}

TEST(ListFiles, ProcessingUsesTheNamesThatWereValidated) {
    // The list is read once: a list rewritten after the validation pass
    // cannot change what is processed. Here the same name listed twice is
    // simply processed twice.
    TempDir dir;
    LasRecipe recipe;
    recipe.points.resize(4);
    write_las(dir.file("a.las"), recipe);
    // Any white space of a formatted read separates names, \v and \f included.
    write_text(dir.file("l.txt"), "a.las\va.las\f");
    const RunResult r = run_pointsieve({"l.txt"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find(progress("a.las", 1, 2)), std::string::npos);
    EXPECT_NE(r.out.find(progress("a.las", 2, 2)), std::string::npos);
    EXPECT_NE(r.out.find("Total points :            8\n"), std::string::npos);
}

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
