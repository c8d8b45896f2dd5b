// update_header on arbitrary bytes. A refusal must leave the file byte for
// byte as it was; a success may change only the point count (bytes 107 to
// 110), the counts by return number (111 to 130) and the six bounds (179 to
// 226), and the counts and bounds must be those of the whole records after
// OffsetToData: a file with no whole record keeps its bounds.
//
// update_header ends the process when it refuses. It runs here in the
// fuzzing process itself, so that libFuzzer sees the coverage it reaches:
// the target is linked with --wrap=exit, and while update_header runs, exit()
// throws instead of ending the process. The library holds its files in RAII
// handles, so the unwinding closes them; a descriptor left open all the same
// is a finding, as is a leak of memory (LeakSanitizer).
//
// Hangs: the input is a regular file that the target itself has just
// written, so no read can block; a loop is caught by libFuzzer's -timeout,
// 5 s unless the command line says otherwise.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "Korvane_LiDAR.h"
#include "fuzz_support.hpp"
#include "header_reference.hpp"
#include "las_format.hpp"

namespace {

// What exit() throws while update_header runs under run_update_header.
struct ExitCalled {
    int status;
};

bool exit_throws = false;

}  // namespace

extern "C" [[noreturn]] void __real_exit(int status);

extern "C" [[noreturn]] void __wrap_exit(int status) {
    if (exit_throws) {
        exit_throws = false;
        throw ExitCalled{status};
    }
    __real_exit(status);
}

namespace {

// The exit status update_header would end the process with: 0 when it
// returns.
int run_update_header(const char *name) {
    int status = 0;
    exit_throws = true;
    try {
        update_header(name);
    } catch (const ExitCalled &e) {
        status = e.status;
    }
    exit_throws = false;
    return status;
}

// The descriptor number the next open gets. It moves up when a call leaves
// a file open.
int lowest_free_descriptor() {
    const int fd = dup(STDERR_FILENO);
    fuzz::require(fd >= 0, "cannot duplicate standard error");
    close(fd);
    return fd;
}

bool in_range(std::size_t at, std::size_t first, std::size_t last) { return at >= first && at <= last; }

// Whether update_header may rewrite the byte at this offset.
bool rewritable(std::size_t at) { return in_range(at, 107, 130) || in_range(at, 179, 226); }

constexpr int kRefused = 255;  // the failure status

double f64_at(const std::uint8_t *data, std::size_t size, std::size_t at) {
    const std::uint64_t bits = fuzz::u32_at(data, size, at) | std::uint64_t{fuzz::u32_at(data, size, at + 4)} << 32;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

bool same_bound(double actual, double expected) {
    return actual == expected || (actual != actual && expected != expected);
}

// The six bounds against those of the file as a correct update_header
// leaves it: recomputed bounds may hold any NaN where the reference holds
// one; a file without records keeps its bounds byte for byte.
void check_bounds(const std::uint8_t *after, const std::uint8_t *expected, std::size_t size, std::uint64_t present) {
    if (present == 0) {
        fuzz::require(std::memcmp(after + 179, expected + 179, 48) == 0, "a file without records got new bounds");
        return;
    }
    for (std::size_t at = 179; at < 227; at += 16) {
        fuzz::require(same_bound(f64_at(after, size, at), f64_at(expected, size, at)), "a maximum bound is wrong");
        fuzz::require(same_bound(f64_at(after, size, at + 8), f64_at(expected, size, at + 8)),
                      "a minimum bound is wrong");
    }
}

}  // namespace

// update_header prints a line for every input: standard output goes to
// /dev/null for the whole run (libFuzzer writes on standard error). A hang
// is a finding after 5 s: -timeout=5 goes ahead of the given arguments,
// where a -timeout given on the command line overrides it.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    const int null = open("/dev/null", O_WRONLY);
    fuzz::require(null >= 0 && dup2(null, STDOUT_FILENO) >= 0, "cannot send standard output to /dev/null");
    if (null != STDOUT_FILENO) close(null);

    static char timeout[] = "-timeout=5";
    static std::vector<char *> args;
    args.assign(*argv, *argv + *argc + 1);  // with the null pointer that ends argv
    args.insert(args.begin() + 1, timeout);
    *argv = args.data();
    ++*argc;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const fuzz::ScratchFile file(".las");
    file.write(data, size);
    const int free_before = lowest_free_descriptor();
    // The LASType that a success is checked against.
    const int type = check_las(file.name().c_str());
    const int status = run_update_header(file.name().c_str());
    fuzz::require(lowest_free_descriptor() == free_before, "check_las or update_header left a file open");
    fuzz::require(status == 0 || status == kRefused, "update_header ended with an unexpected status");

    const std::vector<std::uint8_t> after = file.read();
    fuzz::require(after.size() == size, "update_header changed the file size");
    if (status == kRefused) {
        fuzz::require(size == 0 || std::memcmp(after.data(), data, size) == 0, "a refusal changed the file");
        return 0;
    }

    const korvane::LasTypeInfo *info = korvane::las_type_info(type);
    fuzz::require(info != nullptr, "update_header accepted a file that check_las refuses");
    fuzz::require(size >= korvane::kHeaderBytes, "update_header accepted a file shorter than a header");
    for (std::size_t at = 0; at < size; ++at)
        if (!rewritable(at) && after[at] != data[at]) fuzz::broken("update_header changed a byte it must keep");

    // The figures of the whole records after OffsetToData, and the file as a
    // correct update_header leaves it.
    const header_reference::Figures figures = header_reference::scan(data, size, type);
    const std::vector<std::uint8_t> expected =
        header_reference::with_figures(std::vector<std::uint8_t>(data, data + size), figures);
    fuzz::require(fuzz::u32_at(after.data(), size, 107) == figures.count,
                  "the point count is not the records present");
    for (std::size_t k = 0; k < 5; ++k)
        fuzz::require(fuzz::u32_at(after.data(), size, 111 + 4 * k) == figures.byReturn[k],
                      "a count by return number is not that of the records");
    check_bounds(after.data(), expected.data(), size, figures.count);
    return 0;
}
