// Shared helpers for the tests: temporary folders, crafted LAS files, and
// running code or the program in a child process with its output captured.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Korvane_LiDAR.h"

namespace testing_support {

using Bytes = std::vector<unsigned char>;

// A fresh folder under the build tree, removed with everything in it when
// the object goes out of scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

Bytes read_file(const std::string &path);
void write_file(const std::string &path, const Bytes &bytes);
void write_text(const std::string &path, const std::string &text);
// A text file the program wrote, with LF line ends on every platform.
std::string read_text(const std::string &path);
// Text as the program writes it, with the CR of each CR LF line end that
// Windows adds dropped (unchanged elsewhere).
std::string lf_text(std::string text);
bool file_exists(const std::string &path);
// Path of a file in tests/data.
std::string data_file(const std::string &name);
// Copies a file of tests/data into dir (writable) and returns the new path.
std::string copy_data_file(const std::string &name, const std::string &dir);

// One point record's fields; which of them are written depends on the format.
struct Point {
    int32_t X = 0, Y = 0, Z = 0;
    uint16_t Intensity = 0;
    uint8_t bitfield = 0x09;  // return 1 of 1
    uint8_t Classification = 1;
    uint8_t ScanAngleRank = 0;
    uint8_t UserData = 0;
    uint16_t PointSourceID = 0;
    double GPSTime = 0.0;
    uint16_t Red = 0, Green = 0, Blue = 0;
};

// Description of a LAS file to craft. Unset counts and lengths follow from
// the format and the points.
struct LasRecipe {
    uint8_t major = 1, minor = 2, format = 0;
    int record_length = -1;           // -1: the format's own size
    int64_t declared_points = -1;     // -1: the number of points given
    Bytes between;                    // bytes between the header and the points (VLRs)
    int64_t offset_to_data = -1;      // -1: 227 + between.size()
    double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0, MinZ = 0, MaxZ = 0;
    double XScale = 0.01, YScale = 0.01, ZScale = 0.01;
    double XOffset = 0, YOffset = 0, ZOffset = 0;
    std::vector<Point> points;
    Bytes trailing;                   // bytes after the last record
};

// Size of a point record of format 0 to 3.
std::size_t format_record_size(int format);
// The header record of a recipe, in host order.
LAS12Header make_header(const LasRecipe &recipe);
// The encoding of one point in a format 0 to 3.
Bytes encode_point(const Point &p, int format);
// The whole file image of a recipe.
Bytes build_las(const LasRecipe &recipe);
// Writes build_las(recipe) to path and returns path.
std::string write_las(const std::string &path, const LasRecipe &recipe);

struct RunResult {
    std::string out;  // everything written to standard output
    int status;       // exit status 0 to 255, or 1000 + signal number
};

// The exit status of every failure, on every platform.
inline constexpr int kFailed = 255;

// The banner credits() prints, as the program prints it first.
std::string banner();
// n spaces.
std::string sp(int n);
// The progress line of the index-th of count files.
std::string progress(const std::string &name, int index, int count);

// Runs fn in a forked child with standard output captured. A child that
// returns from fn exits with status 0. Windows has no fork: there fn runs in
// the test process with standard output captured, and a call of exit()
// inside it ends fn, not the process (see test_support_windows.cpp).
RunResult run_in_child(const std::function<void()> &fn);

// How a run of the program is set up beyond its arguments.
struct RunOptions {
    // Where standard output goes. Captured: into RunResult::out. Terminal:
    // a pseudo-terminal (through script), whose CR LF line ends come back
    // as LF. Full: to /dev/full, a disk with no space left. Closed: nowhere,
    // the descriptor is closed. In the last two cases RunResult::out holds
    // standard error.
    enum class Stdout { Captured, Terminal, Full, Closed } stdout_to = Stdout::Captured;
    std::uint64_t address_space = 0;       // limit in bytes (RLIMIT_AS); 0: none
    std::uint64_t file_size = 0;           // largest file it may write (RLIMIT_FSIZE); 0: none
    std::vector<std::string> environment;  // extra NAME=value entries
    // When the output first holds this text, on_output runs while the
    // program goes on.
    std::string when_output_has;
    std::function<void()> on_output;
    // The program to run: empty for Pointsieve, or the path of another
    // program of the project (POINTSIEVE_MERGE_EXE).
    std::string program;
};

// Runs the built Pointsieve program (or options.program) with the given arguments in folder cwd.
// Cross builds run it under the emulator the tests run under. On Windows
// the CR LF line ends of its text output come back as LF, and only the
// default options are available.
RunResult run_pointsieve(const std::vector<std::string> &args, const std::string &cwd,
                         const RunOptions &options = {});

// Environment entries that make every read of the file at path fail once
// its first 227 bytes have been read, as a failing disk would, in a program
// run with them (an LD_PRELOAD shim).
std::vector<std::string> failing_reads_of(const std::string &path);

// Environment entries that kill a program run with them (SIGKILL) when it
// renames a file (an LD_PRELOAD shim).
std::vector<std::string> killed_at_rename();

// True in builds instrumented by a sanitizer.
bool sanitized_build();

// The command that runs a program of a cross build (empty when native).
std::vector<std::string> emulator_words();

}  // namespace testing_support
