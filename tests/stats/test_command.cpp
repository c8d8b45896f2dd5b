// The command line, input classification and the validation of inputs, run
// through the built program.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <regex>

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

TEST(Run, ElapsedTimeEndsEveryCompleteRun) {
    TempDir dir;
    copy_data_file("1.2_0.las", dir.path());
    const RunResult r = run_pointsieve({"1.2_0.las"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(ends_with_elapsed(r.out)) << r.out;
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

#ifndef _WIN32

namespace {

// Failures that must never pass for success: output that cannot be written,
// read errors, and files that change while a run reads them.

// A format 0 file declaring `records` zero records, sparse on disk, so that
// reading it takes a noticeable time without costing disk space.
std::string write_sparse_las(const std::string &path, std::uint64_t records) {
    LasRecipe recipe;
    recipe.declared_points = static_cast<int64_t>(records);
    write_las(path, recipe);
    std::filesystem::resize_file(path, 227 + records * 20);
    return path;
}

TEST(Failures, ReportThatCannotBeWritten) {
    TempDir dir;
    copy_data_file("1.2_0.las", dir.path());
    struct Case {
        RunOptions::Stdout to;
        std::string reason;
    };
    for (const Case &c : {Case{RunOptions::Stdout::Full, "No space left on device"},
                          Case{RunOptions::Stdout::Closed, "Bad file descriptor"}}) {
        RunOptions options;
        options.stdout_to = c.to;
        const RunResult r = run_pointsieve({"1.2_0.las", "-s"}, dir.path(), options);
        EXPECT_EQ(r.out, "Pointsieve: cannot write the report to standard output: " + c.reason + "\n");
        EXPECT_EQ(r.status, kFailed);
        // A run whose report was lost writes no statistics file, and no
        // file took the closed descriptor's number to receive the report.
        EXPECT_FALSE(file_exists(dir.file("1.2_0_stats.asc")));
        // A usage or version text that was lost is a failure too.
        for (const char *alone : {"--help", "--version"}) {
            const RunResult a = run_pointsieve({alone}, dir.path(), options);
            EXPECT_EQ(a.out, r.out) << alone;
            EXPECT_EQ(a.status, kFailed) << alone;
        }
    }
}

TEST(Failures, ReadErrorInThePointRecords) {
    TempDir dir;
    const std::string path = copy_data_file("simple.las", dir.path());
    write_text(dir.file("l.txt"), "1.2_3.las simple.las\n");
    copy_data_file("1.2_3.las", dir.path());
    RunOptions options;
    options.environment = failing_reads_of(path);
    struct Case {
        std::vector<std::string> args;
        std::string progress;
        std::string stats;
    };
    for (const Case &c : {Case{{"simple.las", "-s"}, progress("simple.las", 1, 1), "simple_stats.asc"},
                          Case{{"l.txt", "-s", "-d"}, progress("1.2_3.las", 1, 2) + progress("simple.las", 2, 2),
                               "l_stats.asc"}}) {
        const RunResult r = run_pointsieve(c.args, dir.path(), options);
        EXPECT_EQ(r.out, banner() + c.progress + "\nCannot read point records of file simple.las\n");
        EXPECT_EQ(r.status, kFailed);
        EXPECT_FALSE(file_exists(dir.file(c.stats)));
    }
    // The same file read without the failing disk is summarised in full.
    const RunResult whole = run_pointsieve({"simple.las"}, dir.path());
    EXPECT_EQ(whole.status, 0);
    EXPECT_NE(whole.out.find("Total points :         1065\n"), std::string::npos);
}

TEST(Failures, ListedFileReplacedAfterValidation) {
    // The first file takes long enough to read that the second, validated
    // before the reading began, can be replaced before it is read.
    TempDir dir;
    write_sparse_las(dir.file("slow.las"), 20'000'000);
    write_text(dir.file("l.txt"), "slow.las second.las\n");
    LasRecipe format3;
    format3.format = 3;
    format3.points.resize(2);
    write_las(dir.file("format3.las"), format3);
    const std::string second = dir.file("second.las");

    struct Case {
        std::string what;
        std::function<void()> replace;
        bool opened;  // the replacement opens as a regular file
    };
    const Case cases[] = {
        {"a LAS file of another format", [&] { std::filesystem::copy_file(dir.file("format3.las"), second,
                                                   std::filesystem::copy_options::overwrite_existing); },
         true},
        {"a FIFO", [&] { std::filesystem::remove(second); mkfifo(second.c_str(), 0644); }, false},
        {"a link to an endless device", [&] {
             std::filesystem::remove(second);
             ASSERT_EQ(symlink("/dev/zero", second.c_str()), 0);
         },
         false},
    };
    for (const Case &c : cases) {
        std::filesystem::remove(second);
        write_las(second, LasRecipe{});
        RunOptions options;
        options.when_output_has = progress("slow.las", 1, 2);
        options.on_output = c.replace;
        const RunResult r = run_pointsieve({"l.txt", "-s"}, dir.path(), options);
        EXPECT_EQ(r.out, banner() + progress("slow.las", 1, 2) + (c.opened ? progress("second.las", 2, 2) : "") +
                             "\nFile second.las changed after it was validated\n")
            << c.what;
        EXPECT_EQ(r.status, kFailed) << c.what;
        EXPECT_FALSE(file_exists(dir.file("l_stats.asc"))) << c.what;
    }
}

TEST(Failures, FileThatShrinksWhileItIsRead) {
    TempDir dir;
    const std::string path = write_sparse_las(dir.file("big.las"), 50'000'000);
    RunOptions options;
    options.when_output_has = progress("big.las", 1, 1);
    options.on_output = [&] { std::filesystem::resize_file(path, 227 + 20 * 1000); };
    const RunResult r = run_pointsieve({"big.las"}, dir.path(), options);
    EXPECT_EQ(r.status, 0) << r.out;
    std::smatch warning, total;
    ASSERT_TRUE(std::regex_search(r.out, warning,
                                  std::regex("\nWarning: big.las holds ([0-9]+) of the 50000000 point records "
                                             "declared in its header\n")))
        << r.out;
    ASSERT_TRUE(std::regex_search(r.out, total, std::regex("Total points : +([0-9]+)\n")));
    // The warning gives the records actually read, which the total counts.
    EXPECT_EQ(warning[1].str(), total[1].str());
    EXPECT_LT(std::stoll(total[1].str()), 50'000'000);
}

// A process out of descriptors says so, rather than call a good file missing.
TEST(Failures, TooFewDescriptors) {
    if (sanitized_build()) GTEST_SKIP() << "the sanitizers hold descriptors of their own";
    if (!emulator_words().empty()) GTEST_SKIP() << "the limit would apply to the emulator, not to the program";
    TempDir dir;
    copy_data_file("simple.las", dir.path());
    write_text(dir.file("l.txt"), "simple.las\n");
    RunOptions options;
    options.open_files = 4;  // standard streams and the list
    const RunResult r = run_pointsieve({"l.txt"}, dir.path(), options);
    EXPECT_EQ(r.out, "Unable to open file simple.las in file_access()\n\nCannot open simple.las: Too many open files\n");
    EXPECT_EQ(r.status, kFailed);
}

TEST(Failures, AddressSpaceTooSmall) {
    if (sanitized_build()) GTEST_SKIP() << "the sanitizers reserve address space of their own";
    if (!emulator_words().empty()) GTEST_SKIP() << "the limit would apply to the emulator, not to the program";
    TempDir dir;
    copy_data_file("simple.las", dir.path());
    write_text(dir.file("l.txt"), "simple.las simple.las\n");
    const std::string messages[] = {
        "\nFailed to allocate memory for the Intensity Count vector\n",
        "\nFailed to allocate memory for the Point Source ID Count vector\n",
        "Failed to allocate memory for file simple.las\n",
        "\nCannot allocate memory for the names listed in l.txt\n",
        "\nCannot open simple.las: Cannot allocate memory\n",
    };
    int started = 0, completed = 0;
    for (std::uint64_t kib = 4096; kib <= 12288; kib += 64) {
        RunOptions options;
        options.address_space = kib << 10;
        const RunResult r = run_pointsieve({"l.txt", "-d", "-s"}, dir.path(), options);
        const std::string at = std::to_string(kib) + " KiB: " + r.out;
        ASSERT_LT(r.status, 1000) << "ended by a signal at " << at;
        // Below some limit the loader cannot even map the program.
        if (r.status == 127 && r.out.empty() && started == 0) continue;
        ++started;
        if (r.status == 0) {
            ++completed;
            continue;
        }
        ASSERT_EQ(r.status, kFailed) << at;
        bool named = false;
        for (const std::string &m : messages) named = named || r.out.find(m) != std::string::npos;
        EXPECT_TRUE(named) << at;
    }
    EXPECT_GT(started, completed);
    EXPECT_GT(completed, 0);
}

}  // namespace

#else

TEST(Failures, NeedPosixProcesses) {
    GTEST_SKIP() << "full and closed standard output, preloaded failing reads, FIFOs, links to devices and "
                    "address-space limits are POSIX facilities";
}

#endif
