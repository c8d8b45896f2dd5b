// update_header on arbitrary bytes. update_header ends the process when it
// refuses, so every input runs in a forked child. A refusal must leave the
// file byte for byte as it was; a success may change only the point count
// (bytes 107 to 110), the counts by return number (111 to 130) and the six
// bounds (179 to 226), and the counts and bounds must be those of the whole
// records after OffsetToData: a file with no whole record keeps its bounds.
//
// The child's coverage counters are copied back into the parent before it is
// reaped, so that libFuzzer is guided by what update_header itself reached.
// The target is linked with --wrap=exit: in the child, exit() leaves the
// counters and ends the process at once with the status update_header gave,
// before libFuzzer's own exit handler could report an exit from the target.
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "Korvane_LiDAR.h"
#include "fuzz_support.hpp"

// Bounds of the inline 8-bit coverage counters of this executable, set by
// the linker; absent in a build without that instrumentation.
extern "C" {
extern std::uint8_t __start___sancov_cntrs[] __attribute__((weak));
extern std::uint8_t __stop___sancov_cntrs[] __attribute__((weak));
}

namespace {

std::size_t counter_bytes() {
    if (!__start___sancov_cntrs || !__stop___sancov_cntrs) return 0;
    return static_cast<std::size_t>(__stop___sancov_cntrs - __start___sancov_cntrs);
}

// Memory shared with the children, where each one leaves its counters.
std::uint8_t *shared_counters() {
    static std::uint8_t *shared = [] {
        const std::size_t n = counter_bytes();
        if (n == 0) return static_cast<std::uint8_t *>(nullptr);
        void *p = mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
        return p == MAP_FAILED ? nullptr : static_cast<std::uint8_t *>(p);
    }();
    return shared;
}

void leave_counters() {
    if (std::uint8_t *shared = shared_counters()) std::memcpy(shared, __start___sancov_cntrs, counter_bytes());
}

void take_counters() {
    std::uint8_t *shared = shared_counters();
    if (!shared) return;
    for (std::size_t k = 0, n = counter_bytes(); k < n; ++k)
        if (shared[k] > __start___sancov_cntrs[k]) __start___sancov_cntrs[k] = shared[k];
}

pid_t parent_pid = 0;

}  // namespace

extern "C" [[noreturn]] void __real_exit(int status);

extern "C" [[noreturn]] void __wrap_exit(int status) {
    if (parent_pid != 0 && getpid() != parent_pid) {
        leave_counters();
        std::fflush(stdout);
        _exit(status);
    }
    __real_exit(status);
}

namespace {

bool in_range(std::size_t at, std::size_t first, std::size_t last) { return at >= first && at <= last; }

// Whether update_header may rewrite the byte at this offset.
bool rewritable(std::size_t at) { return in_range(at, 107, 130) || in_range(at, 179, 226); }

std::size_t record_size(int type) {
    switch (type) {
        case 1: case 3: case 5: return 20;
        case 2: case 4: case 6: return 28;
        case 7: return 26;
        case 8: return 34;
        default: return 0;
    }
}

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

// The bounds of the records present: axis 0 to 2 for X, Y and Z, each a real
// value formed from the integer extremes with the header's scale and offset.
void check_bounds(const std::uint8_t *data, const std::uint8_t *after, std::size_t size, std::uint64_t offset,
                  std::size_t record, std::uint64_t present) {
    if (present == 0) {
        fuzz::require(std::memcmp(after + 179, data + 179, 48) == 0, "a file without records got new bounds");
        return;
    }
    for (std::size_t axis = 0; axis < 3; ++axis) {
        const std::size_t field = 4 * axis;
        auto value = [&](std::uint64_t k) {
            return static_cast<std::int32_t>(fuzz::u32_at(data, size, offset + k * record + field));
        };
        std::int32_t low = value(0), high = value(0);
        for (std::uint64_t k = 1; k < present; ++k) {
            low = std::min(low, value(k));
            high = std::max(high, value(k));
        }
        const double scale = f64_at(data, size, 131 + 8 * axis), shift = f64_at(data, size, 155 + 8 * axis);
        fuzz::require(same_bound(f64_at(after, size, 179 + 16 * axis), shift + scale * high),
                      "a maximum bound is wrong");
        fuzz::require(same_bound(f64_at(after, size, 187 + 16 * axis), shift + scale * low),
                      "a minimum bound is wrong");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const fuzz::ScratchFile file(".las");
    file.write(data, size);
    // Classified here as well, in the parent, so that a check_las fault shows
    // up with its own stack.
    const int type = check_las(file.name().c_str());

    if (std::uint8_t *shared = shared_counters()) std::memset(shared, 0, counter_bytes());
    parent_pid = getpid();
    std::fflush(stdout);
    const pid_t child = fork();
    fuzz::require(child >= 0, "fork failed");
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        if (null >= 0) dup2(null, STDOUT_FILENO);
        alarm(5);  // a hang ends the child with SIGALRM
        update_header(file.name().c_str());
        std::exit(0);
    }
    int raw = 0;
    while (waitpid(child, &raw, 0) < 0 && errno == EINTR) {
    }
    take_counters();
    if (WIFSIGNALED(raw)) {
        std::fprintf(stderr, "update_header ended with signal %d\n", WTERMSIG(raw));
        fuzz::broken("update_header crashed or hung");
    }
    const int status = WEXITSTATUS(raw);
    fuzz::require(status == 0 || status == kRefused, "update_header ended with an unexpected status");

    const std::vector<std::uint8_t> after = file.read();
    fuzz::require(after.size() == size, "update_header changed the file size");
    if (status == kRefused) {
        fuzz::require(size == 0 || std::memcmp(after.data(), data, size) == 0, "a refusal changed the file");
        return 0;
    }

    fuzz::require(type >= 1 && type <= 8, "update_header accepted a file that check_las refuses");
    for (std::size_t at = 0; at < size; ++at)
        if (!rewritable(at) && after[at] != data[at]) fuzz::broken("update_header changed a byte it must keep");

    const std::size_t record = record_size(type);
    const std::uint64_t offset = fuzz::u32_at(data, size, 96);
    const std::uint64_t present = size > offset ? (size - offset) / record : 0;
    std::uint32_t by_return[5] = {};
    for (std::uint64_t k = 0; k < present; ++k) {
        const unsigned r = data[offset + k * record + 14] & 7u;
        if (r >= 1 && r <= 5) ++by_return[r - 1];
    }
    fuzz::require(fuzz::u32_at(after.data(), size, 107) == present, "the point count is not the records present");
    for (std::size_t k = 0; k < 5; ++k)
        fuzz::require(fuzz::u32_at(after.data(), size, 111 + 4 * k) == by_return[k],
                      "a count by return number is not that of the records");
    check_bounds(data, after.data(), size, offset, record, present);
    return 0;
}
