// Broken and hostile inputs, run through the built program. A file the
// program cannot use ends the run with its exact message and status 255 and
// leaves no statistics file behind; a damaged file it can still summarise
// gives a complete run with the figures the whole records support.
//
// The files of tests/data/broken are small crafted LAS files (version 1.2,
// format 0, ten points, unless the name says otherwise):
//   empty.las, three_bytes.las ("LAS"), signature_only.las ("LASF"),
//   header_106.las, header_107.las, header_226.las   truncated headers
//   wrong_signature.las                              "lasf" instead of "LASF"
//   version_0_9, version_1_3, version_1_4, version_2_0, version_1_255
//   format_4.las, format_200.las                     record length 20
//   offset_zero.las, offset_in_header.las (100), offset_beyond_end.las (100000)
//   count_4294967295.las                             that count, 10 records
//   nan_extents.las, infinite_extents.las            format 1, two points
#include <gtest/gtest.h>

#include <filesystem>

#include <regex>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {

std::string broken_file(const std::string &name) { return "broken/" + name; }

// Copies a file of tests/data/broken into dir under the given name.
void copy_broken(const std::string &name, const std::string &dir, const std::string &as) {
    write_file(dir + "/" + as, read_file(data_file(broken_file(name))));
}

std::string not_valid(const std::string &name) { return "\n" + name + " is not a valid .las file\n\n"; }

std::string listed(const std::string &name) { return name + " (listed in l.txt) is not a valid LAS file\n"; }

std::string stats_name(const std::string &input) { return input.substr(0, input.size() - 4) + "_stats.asc"; }

// Runs the program in dir and checks that the run failed with exactly the
// expected output and left no statistics file.
void expect_refused(const std::vector<std::string> &args, const std::string &dir, const std::string &output) {
    const RunResult r = run_pointsieve(args, dir);
    EXPECT_EQ(r.out, output) << args[0];
    EXPECT_EQ(r.status, kFailed) << args[0];
    EXPECT_FALSE(file_exists(dir + "/" + stats_name(args[0]))) << args[0];
}

TEST(BrokenFiles, StoredFilesAreRefusedAloneAndInLists) {
    struct Case {
        const char *file;
        std::string message;
    };
    const Case cases[] = {
        {"empty.las", not_valid("empty.las")},
        {"three_bytes.las", not_valid("three_bytes.las")},
        {"signature_only.las", not_valid("signature_only.las")},
        {"header_106.las", not_valid("header_106.las")},
        {"header_107.las", not_valid("header_107.las")},
        {"header_226.las", not_valid("header_226.las")},
        {"wrong_signature.las", not_valid("wrong_signature.las")},
        {"version_0_9.las", "\nCannot handle las files of version 0.x\n"},
        {"version_1_3.las", "\nCannot handle las files of version 1.3\n"},
        {"version_1_4.las", "\nCannot handle las files of version 1.4\n"},
        {"version_2_0.las", "\nCannot handle las files of version 2.x\n"},
        // 255 + '0' wraps to '/'.
        {"version_1_255.las", "\nCannot handle las files of version 1./\n"},
        {"format_4.las", "\nPointDataFormatID in format_4.las is 4. Only 0, 1, 2, or 3 is accepted\n"},
        // 200 + '0' is the byte 0xF8.
        {"format_200.las", "\nPointDataFormatID in format_200.las is \xF8. Only 0, 1, 2, or 3 is accepted\n"},
    };
    TempDir dir;
    for (const Case &c : cases) {
        copy_broken(c.file, dir.path(), c.file);
        expect_refused({c.file, "-s"}, dir.path(), c.message);
        expect_refused({c.file, "-d", "-s"}, dir.path(), c.message);
        // In a list, after a good file: the list is refused before any point is read.
        write_las(dir.file("good.las"), LasRecipe{});
        write_text(dir.file("l.txt"), std::string("good.las\n") + c.file + "\n");
        expect_refused({"l.txt", "-s"}, dir.path(), c.message + listed(c.file));
    }
}

TEST(BrokenFiles, EveryFormatRefusesEveryWrongRecordLength) {
    TempDir dir;
    for (uint8_t minor = 0; minor <= 2; ++minor) {
        for (uint8_t format = 0; format <= 3; ++format) {
            // Nothing, one byte off either way, the other formats' lengths, the largest.
            const int own = static_cast<int>(format_record_size(format));
            for (int length : {0, 1, own - 1, own, own + 1, 20, 26, 28, 34, 35, 65535}) {
                LasRecipe recipe;
                recipe.minor = minor;
                recipe.format = format;
                recipe.record_length = length;
                recipe.points.resize(2);
                write_las(dir.file("len.las"), recipe);
                const std::string f = std::to_string(format), m = std::to_string(minor);
                if (minor < 2 && format > 1) {
                    // Formats 2 and 3 do not exist before version 1.2: refused whatever the length.
                    expect_refused({"len.las", "-s"}, dir.path(),
                                   "\nCannot handle point data format " + f + " in las files of version 1." + m + "\n");
                } else if (length != own) {
                    expect_refused({"len.las", "-s"}, dir.path(),
                                   "\nData format of len.las (" + f + ") is incompatible with Length of Data Record (" +
                                       std::to_string(length) + ")\n");
                }
            }
        }
    }
}

// The output of a successful single-file run up to the end of the extents.
std::string report_top(const std::string &name, const std::string &warning, const std::string &version_line,
                       const std::string &total, const std::string &ranges) {
    return banner() + progress(name, 1, 1) + warning + kBlank + "\nSummary of " +
           name + "\n\n" + version_line + kRule + total + ranges + "\n";
}

TEST(BrokenFiles, DamagedFilesThatCanStillBeSummarised) {
    const std::string kFormat0 = "\rLAS version 1.2, Format 0 (Type 5)\n";
    const std::string kFormat1 = "\rLAS version 1.2, Format 1 (Type 6)\n";
    const std::string kHeaderRanges = "X range :                 1.00 to          2.00\n"
                                      "Y range :                 3.00 to          4.00\n"
                                      "Z range :                 5.00 to          6.00\n";
    struct Case {
        const char *file;
        std::string warning, version_line, total, ranges, rest, stats;
    };
    const Case cases[] = {
        // No record after the offset: a warning, and an empty summary.
        {"offset_beyond_end.las",
         "\nWarning: offset_beyond_end.las holds 0 of the 10 point records declared in its header\n", kFormat0,
         "Total points :            0\n\n", kHeaderRanges,
         "GPS Time range : \n\n1st Returns                      0\n",
         "TotalPoints                  0\nXMin                         1.00\n"},
        // Only the ten records present are read.
        {"count_4294967295.las",
         "\nWarning: count_4294967295.las holds 10 of the 4294967295 point records declared in its header\n",
         kFormat0, "Total points :           10\n\n", kHeaderRanges,
         "GPS Time range : \n\n1st Returns                     10\n",
         "TotalPoints                 10\n"},
        // The records are read from the offset the header gives, even when
        // it points into the header.
        {"offset_zero.las", "", kFormat0, "Total points :           10\n\n", kHeaderRanges, "GPS Time range : \n\n",
         "TotalPoints                 10\n"},
        {"offset_in_header.las", "", kFormat0, "Total points :           10\n\n", kHeaderRanges,
         "GPS Time range : \n\n", "TotalPoints                 10\n"},
        // A NaN extent never replaces a starting value.
        {"nan_extents.las", "", kFormat1, "Total points :            2\n\n",
         "X range :        100000000000.00 to -100000000000.00\n"
         "Y range :        100000000000.00 to -100000000000.00\n"
         "Z range :        100000000000.00 to -100000000000.00\n",
         "GPS Time range :   1000.500000 to   1001.500000\n\n",
         "TotalPoints                  2\n"
         "XMin              100000000000.00\n"
         "XMax             -100000000000.00\n"},
        {"infinite_extents.las", "", kFormat1, "Total points :            2\n\n",
         "X range :                 -inf to           inf\n"
         "Y range :                 -inf to           inf\n"
         "Z range :                 -inf to           inf\n",
         "GPS Time range :   1000.500000 to   1001.500000\n\n",
         "TotalPoints                  2\n"
         "XMin                         -inf\n"
         "XMax                          inf\n"},
    };
    TempDir dir;
    for (const Case &c : cases) {
        copy_broken(c.file, dir.path(), c.file);
        const RunResult r = run_pointsieve({c.file, "-s"}, dir.path());
        EXPECT_EQ(r.status, 0) << c.file;
        const std::string top = report_top(c.file, c.warning, c.version_line, c.total, c.ranges) + c.rest;
        EXPECT_EQ(r.out.substr(0, top.size()), top) << c.file;
        EXPECT_TRUE(ends_with_elapsed(r.out)) << c.file;
        const std::string stats = read_text(dir.file(stats_name(c.file)));
        EXPECT_EQ(stats.substr(0, c.stats.size()), c.stats) << c.file;
    }
}

TEST(BrokenFiles, NamesWithSpacesNonAsciiBytesAndAnyLength) {
    TempDir dir;
    LasRecipe recipe;
    recipe.points.resize(3);
#ifdef _WIN32
    // Windows names are Unicode, and the program's code page is UTF-8.
    const std::string e = "\xc3\xa9";
#else
    // Latin-1 bytes, not valid UTF-8: names are bytes, passed through as they are.
    const std::string e = "\xe9";
#endif
    const std::string accented = "t" + e + "l" + e + ".las";
    for (const std::string &name : {std::string("my plot.las"), accented}) {
        write_las(dir.file(name), recipe);
        const RunResult r = run_pointsieve({name, "-s"}, dir.path());
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_EQ(r.out.find(banner() + progress(name, 1, 1) + kBlank +
                             "\nSummary of " + name + "\n\n"),
                  0u)
            << name;
        EXPECT_EQ(read_text(dir.file(stats_name(name))).substr(0, 31), "TotalPoints                  3\n") << name;
    }
    write_text(dir.file("li" + e + "ste.txt"), accented + "\n" + accented + "\n");
    const RunResult r = run_pointsieve({"li" + e + "ste.txt", "-s"}, dir.path());
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\nSummary of 2 files listed in li" + e + "ste.txt\n\n"), std::string::npos) << r.out;
    EXPECT_TRUE(file_exists(dir.file("li" + e + "ste_stats.asc")));

    // UTF-8 names, and names longer than any fixed buffer: folders of 100
    // characters each, in a list.
    std::string long_name;
    for (int k = 0; k < 3; ++k) {
        long_name += std::string(100, static_cast<char>('a' + k)) + "/";
        ASSERT_TRUE(std::filesystem::create_directory(dir.file(long_name)));
    }
    long_name += std::string(200, 'x') + ".las";
    const std::string utf8_name = "t\xc3\xa9l\xc3\xa9.las";
    write_las(dir.file(long_name), recipe);
    write_las(dir.file(utf8_name), recipe);
    write_text(dir.file("tiles.txt"), long_name + "\n" + utf8_name + "\n");
    const RunResult utf8 = run_pointsieve({"tiles.txt"}, dir.path());
    EXPECT_EQ(utf8.status, 0) << utf8.out;
    EXPECT_NE(utf8.out.find(progress(utf8_name, 2, 2)), std::string::npos);
    EXPECT_NE(utf8.out.find("Total points :            6\n"), std::string::npos);

    // The same names on files that cannot be used.
    expect_refused({"no such.las", "-s"}, dir.path(),
                   "Unable to open file no such.las in file_access()\n\nFile no such.las does NOT exist\n");
    copy_broken("empty.las", dir.path(), e + "mpty file.las");
    expect_refused({e + "mpty file.las", "-s"}, dir.path(), not_valid(e + "mpty file.las"));
    copy_broken("version_1_4.las", dir.path(), "v" + e + "rsion.las");
    write_text(dir.file("l.txt"), accented + " v" + e + "rsion.las");
    expect_refused({"l.txt", "-s"}, dir.path(), "\nCannot handle las files of version 1.4\n" + listed("v" + e + "rsion.las"));
}

}  // namespace
