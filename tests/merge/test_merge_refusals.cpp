// Statistics files the merge refuses: each through the real program, with
// its message and status 255, and no output written.
#include <gtest/gtest.h>

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
};

std::string usage() {
    return "\nUsage:\n"
           "Pointsieve-merge --help | --version\n"
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
    };
    for (const Refusal &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.edit) {
            Lines lines = good;
            c.edit(lines);
            std::string text = joined(lines);
            if (c.no_newline_at_end) text.pop_back();
            write_text(dir.file(bad), text);
        }
        write_text(dir.file("merged.asc"), "earlier\n");
        std::vector<std::string> args{"-o", "merged.asc", "-t", "table.csv"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        RunOptions options;
        options.program = POINTSIEVE_MERGE_EXE;
        const RunResult r = run_pointsieve(args, dir.path(), options);
        EXPECT_EQ(r.out, c.message);
        EXPECT_EQ(r.status, kFailed);
        EXPECT_EQ(read_text(dir.file("merged.asc")), "earlier\n");
        for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
            EXPECT_EQ(entry.path().filename().string().find(".tmp."), std::string::npos) << entry.path();
        EXPECT_FALSE(file_exists(dir.file("table.csv")));
    }
}

// --help and --version alone answer with status 0.
TEST(MergeRefusals, HelpAndVersionAlone) {
    TempDir dir;
    RunOptions options;
    options.program = POINTSIEVE_MERGE_EXE;
    RunResult r = run_pointsieve({"--help"}, dir.path(), options);
    EXPECT_EQ(r.out, usage());
    EXPECT_EQ(r.status, 0);
    r = run_pointsieve({"--version"}, dir.path(), options);
    EXPECT_EQ(r.out.rfind("Pointsieve-merge 1.", 0), 0u) << r.out;
    EXPECT_EQ(r.status, 0);
}

}  // namespace
