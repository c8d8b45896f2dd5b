// Statistics files the merge refuses: each through the real program, with
// its message and status 255, and no output written.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "test_support.hpp"

using namespace testing_support;

namespace {

using Lines = std::vector<std::string>;

std::string joined(const Lines &lines) {
    std::string text;
    for (const std::string &l : lines) text += l + "\n";
    return text;
}

// The lines of the statistics file of two points of format 1, classes 1
// and 2, or of no points, written by Pointsieve (with -d when detailed).
Lines two_point_stats(const TempDir &dir, bool detailed, bool points = true) {
    LasRecipe r;
    r.format = 1;
    r.MaxX = 10, r.MaxY = 20, r.MaxZ = 30;
    Point a, b;
    a.GPSTime = 5.5, b.GPSTime = 7.25, b.Classification = 2;
    if (points) r.points = {a, b};
    write_las(dir.file("tile.las"), r);
    std::vector<std::string> args{"tile.las", "-s"};
    if (detailed) args.push_back("-d");
    EXPECT_EQ(run_pointsieve(args, dir.path()).status, 0);
    Lines lines;
    std::string text = read_text(dir.file("tile_stats.asc")), line;
    for (const char c : text) c == '\n' ? (lines.push_back(line), line.clear()) : line.push_back(c);
    return lines;
}

struct Refusal {
    const char *what;
    std::function<void(Lines &)> edit;  // turns the good file into bad.asc
    std::vector<std::string> args;      // after -o merged.asc -t table.csv
    std::string message;
    bool no_newline_at_end = false;
    bool own_outputs = false;  // args are the whole command line
    const char *needs = nullptr;  // a file the case needs, which not every system can make
    RunOptions::Stdout stdout_to = RunOptions::Stdout::Captured;  // out: standard error unless captured
};

std::string usage() {
    return "\nUsage:\n"
           "Pointsieve-merge -h | --help | --version\n"
           "Pointsieve-merge [-o MERGED_stats.asc] [-t TABLE.csv] [-l LIST] [STATS_FILE ...]\n"
           "          -o Write the merged statistics file\n"
           "          -t Write a table (CSV) of the inputs, one row each\n"
           "          -l Merge the statistics files named in LIST as well\n\n" +
           banner();
}

TEST(MergeRefusals, BadInputsAreNamedByFileAndLineAndWriteNothing) {
    TempDir dir;
    const Lines good = two_point_stats(dir, false);
    ASSERT_EQ(good.size(), 19u);  // 9 scalars, 4 + 4 return lines, 2 classes
    write_text(dir.file("good.asc"), joined(good));
    write_text(dir.file("detailed.asc"), joined(two_point_stats(dir, true)));
    write_text(dir.file("empty.asc"), joined(two_point_stats(dir, false, false)));
    write_text(dir.file("empty.txt"), " \n");
    const std::string bad = "bad.asc";
    const auto set = [](std::size_t line, std::string text) { return [=](Lines &l) { l[line] = text; }; };
    const Refusal cases[] = {
        {"text", [](Lines &l) { l = {"hello world"}; }, {bad}, "\nFile bad.asc is not a statistics file (line 1)\n"},
        {"empty", [](Lines &l) { l.clear(); }, {bad}, "\nFile bad.asc is not a statistics file (line 1)\n"},
        {"LAS data", nullptr, {"tile.las"}, "\nFile tile.las is not a statistics file (line 1)\n"},
        {"unknown key", [](Lines &l) { l.insert(l.begin() + 18, "Class256 1"); }, {bad},
         "\nFile bad.asc, line 19: unknown key Class256\n"},
        {"repeated key", [](Lines &l) { l.insert(l.begin() + 2, l[1]); }, {bad},
         "\nFile bad.asc, line 3: key XMin is repeated\n"},
        {"misplaced key", [](Lines &l) { std::swap(l[17], l[18]); }, {bad},
         "\nFile bad.asc, line 19: key Class001 is out of order\n"},
        {"count with decimals", set(0, "TotalPoints                2.0"), {bad},
         "\nFile bad.asc, line 1: the value of TotalPoints is not a number as Pointsieve writes it\n"},
        {"extent with three decimals", set(6, "ZMax                    30.000"), {bad},
         "\nFile bad.asc, line 7: the value of ZMax is not a number as Pointsieve writes it\n"},
        {"value not aligned", set(17, "Class001 1"), {bad},
         "\nFile bad.asc, line 18: the value of Class001 is not a number as Pointsieve writes it\n"},
        {"no value", set(9, "1stReturns"), {bad},
         "\nFile bad.asc, line 10: the value of 1stReturns is not a number as Pointsieve writes it\n"},
        {"bare GPSTimeMin only", set(7, "GPSTimeMin"), {bad},
         "\nFile bad.asc, line 9: the value of GPSTimeMax is not a number as Pointsieve writes it\n"},
        {"negative count", set(18, "Class002                    -1"), {bad},
         "\nFile bad.asc, line 19: the count of Class002 is negative\n"},
        {"missing key", [](Lines &l) { l.erase(l.begin() + 11); }, {bad},
         "\nFile bad.asc, line 12: key 3rdReturns is missing\n"},
        {"ends before required keys", [](Lines &l) { l.resize(13); }, {bad},
         "\nFile bad.asc, line 14: key NumberReturns1 is missing\n"},
        {"cut inside a line", [](Lines &l) { l.back().resize(20); }, {bad},
         "\nFile bad.asc, line 19: the file ends inside this line\n", true},
        {"sum beyond 64 bits", set(0, "TotalPoints 18446744073709549568"), {bad, bad},
         "\nFile bad.asc, line 1: the count of TotalPoints takes a sum beyond 2^64 - 1\n"},
        {"absent file", nullptr, {"good.asc", "absent.asc"}, "\nCannot open statistics file absent.asc for reading\n"},
        {"absent list", nullptr, {"-l", "absent.txt"}, "\nCannot open list file absent.txt for reading\n"},
        {"with and without -d", nullptr, {"detailed.asc", "empty.asc", "good.asc"},
         "\nFile detailed.asc holds the detailed histograms (-d) and file good.asc does not: merge statistics files "
         "written alike\n"},
        {"no inputs", nullptr, {}, "\nNo statistics files given\n" + usage()},
        {"no inputs in the list", nullptr, {"-l", "empty.txt"}, "\nNo statistics files given\n"},
        {"option without its file", nullptr, {"good.asc", "-l"}, "\nOption -l needs a file name\n" + usage()},
        {"repeated option", nullptr, {"-o", "x.asc", bad}, "\nMore than one -o argument\n" + usage()},
        {"unknown option", nullptr, {"-d", "good.asc"}, "\nUnknown option -d\n" + usage()},
        // The outputs are checked before anything is read or written.
        {.what = "-o and -t one name", .edit = nullptr, .args = {"-o", "merged.asc", "-t", "merged.asc", "good.asc"},
         .message = "\nOptions -o and -t name the same file merged.asc\n" + usage(), .own_outputs = true},
        {.what = "-o and -t one file", .edit = nullptr, .args = {"-o", "merged.asc", "-t", "./merged.asc", "good.asc"},
         .message = "\nOptions -o and -t name the same file ./merged.asc\n" + usage(), .own_outputs = true},
        {.what = "table name too long", .edit = nullptr, .args = {"-o", "merged.asc", "-t", std::string(300, 't') + ".csv", "good.asc"},
         .message = "\nCannot open table " + std::string(300, 't') + ".csv for writing\n", .own_outputs = true},
        {.what = "-o a folder", .edit = nullptr, .args = {"-o", ".", "-t", "table.csv", "good.asc"},
         .message = "\nCannot open ASCII file . for writing\n", .own_outputs = true},
        {.what = "-o a FIFO nobody reads", .edit = nullptr, .args = {"-o", "fifo", "-t", "table.csv", "good.asc"},
         .message = "\nCannot open ASCII file fifo for writing\n", .own_outputs = true, .needs = "fifo"},
        {.what = "-t a FIFO nobody reads", .edit = nullptr, .args = {"-o", "merged.asc", "-t", "fifo", "good.asc"},
         .message = "\nCannot open table fifo for writing\n", .own_outputs = true, .needs = "fifo"},
        {.what = "-t a block device", .edit = nullptr, .args = {"-o", "merged.asc", "-t", "block", "good.asc"},
         .message = "\nCannot open table block for writing\n", .own_outputs = true, .needs = "block"},
        {.what = "standard output full", .edit = nullptr, .args = {"good.asc"},
         .message = "Pointsieve-merge: cannot write the report to standard output: No space left on device\n",
         .stdout_to = RunOptions::Stdout::Full},
    };
#ifndef _WIN32
    mkfifo(dir.file("fifo").c_str(), 0600);
    mknod(dir.file("block").c_str(), S_IFBLK | 0600, makedev(7, 0));  // root only
#endif
    for (const Refusal &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needs && !std::filesystem::exists(std::filesystem::symlink_status(dir.file(c.needs)))) {
            std::printf("skipped %s: this system cannot make %s here\n", c.what, c.needs);
            continue;
        }
#ifdef _WIN32
        if (c.stdout_to != RunOptions::Stdout::Captured) continue;  // a full disk for it needs POSIX processes
#endif
        if (c.edit) {
            Lines lines = good;
            c.edit(lines);
            std::string text = joined(lines);
            if (c.no_newline_at_end) text.pop_back();
            write_text(dir.file(bad), text);
        }
        write_text(dir.file("merged.asc"), "earlier\n");
        std::vector<std::string> args;
        if (!c.own_outputs) args = {"-o", "merged.asc", "-t", "table.csv"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        RunOptions options;
        options.program = POINTSIEVE_MERGE_EXE;
        options.stdout_to = c.stdout_to;
        const RunResult r = run_pointsieve(args, dir.path(), options);
        EXPECT_EQ(r.out, c.message);
        EXPECT_EQ(r.status, kFailed);
        EXPECT_EQ(read_text(dir.file("merged.asc")), "earlier\n");
        for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
            EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
        EXPECT_FALSE(file_exists(dir.file("table.csv")));
    }
}

#ifndef _WIN32
// A character device or a FIFO typed as an output is written through, never
// replaced: /dev/stdout, /dev/null (as root too) and a FIFO that is read.
TEST(MergeOutputs, DevicesAndFifosAreWrittenThrough) {
    TempDir dir;
    const std::string stats = joined(two_point_stats(dir, false));
    write_text(dir.file("good.asc"), stats);
    ASSERT_EQ(mkfifo(dir.file("fifo").c_str(), 0600), 0);
    const int reader = open(dir.file("fifo").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    RunOptions options;
    options.program = POINTSIEVE_MERGE_EXE;
    RunResult r = run_pointsieve({"-o", "/dev/stdout", "-t", "/dev/null", "good.asc"}, dir.path(), options);
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\n" + stats), std::string::npos) << r.out;
    // Standard output in a file: the statistics follow the report there.
    if (emulator_words().empty()) {
        const std::string command =
            "cd '" + dir.path() + "' && '" + POINTSIEVE_MERGE_EXE + "' good.asc -o /dev/stdout > out.txt";
        ASSERT_EQ(std::system(command.c_str()), 0);
        EXPECT_NE(read_text(dir.file("out.txt")).find("\n" + stats + "\nElapsed time "), std::string::npos);
    }
    r = run_pointsieve({"-o", "fifo", "good.asc"}, dir.path(), options);
    EXPECT_EQ(r.status, 0);
    std::string got(stats.size() + 1, '\0');
    got.resize(static_cast<std::size_t>(std::max<ssize_t>(0, read(reader, got.data(), got.size()))));
    close(reader);
    EXPECT_EQ(got, stats);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
    EXPECT_TRUE(std::filesystem::is_fifo(dir.file("fifo")));
    for (const auto &entry : std::filesystem::directory_iterator("/dev"))
        EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
}
#endif

// -h, --help and --version alone answer with status 0, as Pointsieve's do.
TEST(MergeRefusals, HelpAndVersionAlone) {
    TempDir dir;
    RunOptions options;
    options.program = POINTSIEVE_MERGE_EXE;
    RunResult r;
    for (const char *help : {"--help", "-h"}) {
        r = run_pointsieve({help}, dir.path(), options);
        EXPECT_EQ(r.out, usage()) << help;
        EXPECT_EQ(r.status, 0) << help;
    }
    r = run_pointsieve({"--version"}, dir.path(), options);
    EXPECT_EQ(r.out.rfind("Pointsieve-merge 1.", 0), 0u) << r.out;
    EXPECT_EQ(r.status, 0);
}

}  // namespace
