// Argument validators, each run in a child process: the exact bytes printed
// and the exit status (255 for every failure).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using testing_support::kFailed;

namespace {

using testing_support::run_in_child;
using testing_support::RunResult;
using testing_support::TempDir;

RunResult numeric(const std::string &text) {
    return run_in_child([&] { check_numeric_argument(text.c_str()); });
}

void expect_numeric(const std::string &text, bool accepted) {
    SCOPED_TRACE("text \"" + text.substr(0, 40) + "\"");
    const RunResult r = numeric(text);
    if (accepted) {
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.status, 0);
    } else {
        EXPECT_EQ(r.out, "\nInvalid argument value (" + text + ")\n");
        EXPECT_EQ(r.status, kFailed);
    }
}

TEST(ValidatorNumeric, AcceptsDigitsWithAtMostOneDotAndOneDash) {
    // Where the dot and the dash stand is not examined.
    for (const char *text : {"", "0", "42", "5.25", "-5", "-5.25", ".5", "-.5", "3.", "5-", "1-2",
                             "-.", ".-", "0123456789"}) {
        expect_numeric(text, true);
    }
}

TEST(ValidatorNumeric, RejectsLoneSignsRepeatsAndOtherCharacters) {
    for (const char *text : {"-", ".", "1.2.3", "..", "--5", "-1-", "+5", "5e3", "1,5", " 5", "5 ",
                             "x", "5\t"}) {
        expect_numeric(text, false);
    }
}

TEST(ValidatorNumeric, HandlesTextsBeyondSixteenBitPositions) {
    const std::string digits(70000, '7');
    expect_numeric(digits, true);
    expect_numeric("-" + digits + ".", true);
    // The offending character or repeat lies past position 65,535.
    expect_numeric(digits + "x", false);
    expect_numeric("." + digits + ".", false);
    expect_numeric("-" + digits + "-", false);
    // 65,536 characters: a 16-bit length would read as 0 and accept "a...".
    expect_numeric("a" + std::string(65535, '1'), false);
}

TEST(ValidatorYN, AcceptsOnlyTheFourSingleLetters) {
    const std::string message = "\nASCII Header Flag should be either Y (y) or N (n)\n";
    struct Row {
        const char *text;
        bool accepted;
    };
    const Row rows[] = {{"Y", true},    {"N", true},     {"y", true},  {"n", true},
                        {"yes", false}, {"YES", false},  {"", false},  {"Y ", false},
                        {"YN", false},  {"x", false}};
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string("text \"") + row.text + "\"");
        const RunResult r = run_in_child([&] {
            const int16_t code = check_YN(row.text);
            std::fflush(stdout);
            _exit(code == 0 ? 0 : code == -1 ? 1 : 2);
        });
        EXPECT_EQ(r.out, row.accepted ? "" : message);
        EXPECT_EQ(r.status, row.accepted ? 0 : 1);
    }
}

const std::string kDemMessage =
    "\nDEM file extension should be either '.asc' (ASCII) or '.flt' (floating point binary)\n";
const std::string kHeaderMessage =
    "\nFloating point binary DEM files also require a ASCII header file ('.hdr')\n";

std::string not_ext(const std::string &name, const char *ext) {
    return "\nFile extension of " + name + " is not ." + ext + "\n";
}

std::string too_short(const std::string &name) {
    return "\nFile name (" + name + ") is too short\n";
}

TEST(ValidatorDEM, ExtensionsHeaderFilesAndMessages) {
    TempDir dir;
    const std::string d = dir.path() + "/";
    const std::string long_core = d + std::string(200, 'g');  // far beyond 79 characters
    testing_support::write_text(d + "present.asc", "ncols 1\n");
    testing_support::write_text(d + "dem.hdr", "ncols 1\n");
    testing_support::write_text(long_core + ".hdr", "ncols 1\n");

    struct Row {
        std::string name, out;
        int status;
    };
    const std::vector<Row> rows = {
        // ASCII grids are accepted by name, existing or not; the flt test still speaks.
        {d + "dem.asc", not_ext(d + "dem.asc", "flt"), 0},
        {d + "present.asc", not_ext(d + "present.asc", "flt"), 0},
        // Floating-point grids need a readable header beside them.
        {d + "dem.flt", not_ext(d + "dem.flt", "asc"), 0},
        {d + "tile7.flt",
         not_ext(d + "tile7.flt", "asc") + "Unable to open file " + d +
             "tile7.hdr in file_access()\n" + kHeaderMessage,
         kFailed},
        {long_core + ".flt", not_ext(long_core + ".flt", "asc"), 0},
        {long_core + "h.flt",
         not_ext(long_core + "h.flt", "asc") + "Unable to open file " + long_core +
             "h.hdr in file_access()\n" + kHeaderMessage,
         kFailed},
        // Neither extension; letters are compared case-sensitively.
        {"dem.txt", not_ext("dem.txt", "asc") + not_ext("dem.txt", "flt") + kDemMessage, kFailed},
        {"dem.ASC", not_ext("dem.ASC", "asc") + not_ext("dem.ASC", "flt") + kDemMessage, kFailed},
        {"dem.FLT", not_ext("dem.FLT", "asc") + not_ext("dem.FLT", "flt") + kDemMessage, kFailed},
        // Too short, or no dot fourth from the end.
        {"dem", too_short("dem") + too_short("dem") + kDemMessage, kFailed},
        {".asc", too_short(".asc") + too_short(".asc") + kDemMessage, kFailed},
        {"", too_short("") + too_short("") + kDemMessage, kFailed},
        {"demasc",
         "\nExtension of file demasc should be preceeded by a dot (.)\n"
         "\nExtension of file demasc should be preceeded by a dot (.)\n" +
             kDemMessage,
         kFailed},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE("name " + row.name);
        const RunResult r = run_in_child([&] { check_DEM(row.name.c_str()); });
        EXPECT_EQ(r.out, row.out);
        EXPECT_EQ(r.status, row.status);
    }
}

}  // namespace
