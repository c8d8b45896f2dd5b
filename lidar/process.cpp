// The failure status, the guard on closed standard descriptors and names as
// standard output shows them.
#include "process.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(_WIN32)
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace korvane {

namespace {

bool stdout_is_terminal() {
#if defined(_WIN32)
    static const bool terminal = _isatty(_fileno(stdout)) != 0;
#else
    static const bool terminal = isatty(fileno(stdout)) != 0;
#endif
    return terminal;
}

}  // namespace

ShownName shown(const char *name) noexcept {
    ShownName s{name, {}};
    const auto control = [](char c) { return (c >= 1 && c <= 31) || c == 127; };
    if (!stdout_is_terminal() || std::none_of(name, name + std::strlen(name), control)) return s;
    try {
        s.changed = name;
    } catch (const std::bad_alloc &) {
        return s;
    }
    for (char &c : s.changed)
        if (control(c)) c = '?';
    return s;
}

void guard_standard_streams() {
#if !defined(_WIN32)
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // Input gets a descriptor that cannot be read, output one that
        // cannot be written, so any use of it fails with EBADF.
        const int placeholder = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (placeholder >= 0 && placeholder != fd) {
            dup2(placeholder, fd);
            close(placeholder);
        }
    }
#endif
}

void end_with_failure() {
    std::fflush(stdout);
    std::exit(kFailureStatus);
}

}  // namespace korvane
