// Shared helpers for the tests, defined in one source file by subject:
// temporary folders, files and crafted LAS files (test_support.cpp); running
// code or the program in a child process with its output captured
// (test_support_run.cpp, with test_support_windows.cpp on Windows); the texts
// the program prints (test_support_output.cpp); and checks of the
// index-carrying sorts (test_support_sorts.cpp).
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <iosfwd>
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
    uint32_t vlr_count = 0;           // the VLRs those bytes hold
    int64_t offset_to_data = -1;      // -1: 227 + between.size()
    double MinX = 0, MaxX = 0, MinY = 0, MaxY = 0, MinZ = 0, MaxZ = 0;
    double XScale = 0.01, YScale = 0.01, ZScale = 0.01;
    double XOffset = 0, YOffset = 0, ZOffset = 0;
    std::vector<Point> points;
    Bytes trailing;                   // bytes after the last record
    uint16_t global_encoding = 0;     // bit 0: adjusted standard GPS time (LAS 1.2)
    std::vector<uint32_t> by_return;  // header's counts by return; empty: counted from the points
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
// A point at (x, y, z) with the given return bits, its other fields set from
// x, so that records differ beyond their coordinates.
Point point(int32_t x, int32_t y, int32_t z, uint8_t bitfield = 0x09);
// Three points, in the given format, that exercise the odd corners of every
// histogram.
LasRecipe three_points(uint8_t format);

// Success when the two are the same byte for byte; otherwise the sizes, or
// the first byte that differs.
testing::AssertionResult same_bytes(const Bytes &actual, const Bytes &expected);

struct RunResult {
    std::string out;  // everything written to standard output
    int status;       // exit status 0 to 255, or 1000 + signal number
};

// The exit status of every failure, on every platform.
inline constexpr int kFailed = 255;

// The banner credits() prints, as the program prints it first.
std::string banner();
// What "PROGRAM --version" prints: the name, the version of the public
// header and the licence.
std::string version_text(const std::string &program);
// n spaces.
std::string sp(int n);
// The progress line of the index-th of count files.
std::string progress(const std::string &name, int index, int count);
// The blank that clears a progress line of up to 78 characters.
inline const std::string kBlank = "\r" + std::string(78, ' ');
// The rule under the version line of the report, and the blank line after it.
inline const std::string kRule = "-----------------------------------------------\n\n";
// The elapsed-time line that ends a complete run, with its figure as T.
inline const std::string kElapsed = "\nElapsed time T seconds\n";
// out with the figure of its elapsed-time line, when it ends with one,
// replaced by T.
std::string without_elapsed(const std::string &out);
// Whether out ends with an elapsed-time line.
bool ends_with_elapsed(const std::string &out);
// A line of the statistics file: the key, a space, and the value right
// aligned to width characters.
std::string key(const std::string &name, int width, const std::string &value);

// Runs fn in a forked child with standard output captured. A child that
// returns from fn exits with status 0. Windows has no fork: there fn runs in
// the test process with standard output captured, and a call of exit()
// inside it ends fn, not the process (see test_support_windows.cpp).
RunResult run_in_child(const std::function<void()> &fn);

// update_header(path) in a child (run_in_child).
RunResult update(const std::string &path);

// How a run of the program is set up beyond its arguments.
struct RunOptions {
    // Where standard output goes. Captured: into RunResult::out. Terminal:
    // a pseudo-terminal (through script), whose CR LF line ends come back
    // as LF. Full: to /dev/full, a disk with no space left. Closed: nowhere,
    // the descriptor is closed. In the last two cases RunResult::out holds
    // standard error. Both: standard output and standard error captured
    // together into RunResult::out.
    enum class Stdout { Captured, Terminal, Full, Closed, Both } stdout_to = Stdout::Captured;
    std::uint64_t address_space = 0;       // limit in bytes (RLIMIT_AS); 0: none
    std::uint64_t file_size = 0;           // largest file it may write (RLIMIT_FSIZE); 0: none
    unsigned time_limit = 0;               // seconds before SIGALRM ends it; 0: none
    unsigned open_files = 0;               // most descriptors it may hold (RLIMIT_NOFILE); 0: no limit
    std::vector<std::string> environment;  // extra NAME=value entries
    // When the output first holds this text, on_output runs while the
    // program goes on.
    std::string when_output_has;
    std::function<void()> on_output;
    // The program to run: empty for Pointsieve, or the path of another
    // program of the project (POINTSIEVE_MERGE_EXE).
    std::string program;
};

// Runs the built Pointsieve program (or options.program) with the given
// arguments in folder cwd.
// Cross builds run it under the emulator the tests run under. On Windows
// the CR LF line ends of its text output come back as LF, and only the
// default options are available.
RunResult run_pointsieve(const std::vector<std::string> &args, const std::string &cwd,
                         const RunOptions &options = {});

// Environment entries that make every read of the file at path fail from
// byte `from` on (by default, once its header has been read), as a failing
// disk would, in a program run with them (an LD_PRELOAD shim).
std::vector<std::string> failing_reads_of(const std::string &path, std::uint64_t from = 227);

// Environment entries that cut the file at path to `size` bytes just before
// the program's read-th read through a stream of it (an LD_PRELOAD shim), as
// another process could.
std::vector<std::string> shrinking_at_read(const std::string &path, int read, std::uint64_t size);

// Environment entries that let a program run with them put `bytes` bytes
// in all through its positioned writes (pwrite), and fail the rest with
// ENOSPC, as a disk that fills (an LD_PRELOAD shim).
std::vector<std::string> writes_failing_after(std::size_t bytes);

// Environment entries that kill a program run with them (SIGKILL) when it
// renames a file (an LD_PRELOAD shim).
std::vector<std::string> killed_at_rename();

// Environment entries that, in a program run with them, rename replacement
// over name just before the program's open-th open of name (an LD_PRELOAD
// shim), as another user of a shared folder could.
std::vector<std::string> swapped_at_open(const std::string &name, const std::string &replacement, int open);

// True in builds instrumented by a sanitizer.
bool sanitized_build();

// The command that runs a program of a cross build (empty when native).
std::vector<std::string> emulator_words();

// ---- The index-carrying quicksorts.

using LSort = void (*)(int32_t *, int32_t, int32_t *);
using DSort = void (*)(double *, int32_t, int32_t *);

// One variant of the sorts, for both key types.
struct Variant {
    const char *name;
    LSort l;
    DSort d;
};

void PrintTo(const Variant &v, std::ostream *os);

inline const Variant kPlain{"plain", l_quicksort, d_quicksort};
inline const Variant kParallel{"parallel", l_parallel_quicksort, d_parallel_quicksort};

// 0, 1, ..., n - 1.
std::vector<int32_t> identity(std::size_t n);

std::vector<double> as_doubles(const std::vector<int32_t> &v);

// True when ind holds each of 0..n-1 exactly once.
bool is_position_permutation(const std::vector<int32_t> &ind);

// The index array is a permutation and every key still sits with the index
// entry it started with (compared bit for bit, so NaNs and signed zeros count).
template <class Key>
bool keys_follow_index(const std::vector<Key> &original, const std::vector<Key> &keys,
                       const std::vector<int32_t> &ind) {
    if (!is_position_permutation(ind)) return false;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (std::memcmp(&keys[k], &original[ind[k]], sizeof(Key)) != 0) return false;
    }
    return true;
}

}  // namespace testing_support
