// Failures that must never pass for success, run through the built program:
// output that cannot be written, read errors, files that change while a run
// reads them, and limits on descriptors and address space.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdint>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

#ifndef _WIN32

namespace {

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
