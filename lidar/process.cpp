// The failure status, names as standard output shows them, and opens that
// fail for want of resources.
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

PrintableName printable_name(const char *name) noexcept {
    PrintableName s{name, {}};
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

bool out_of_resources(int error) { return error == EMFILE || error == ENFILE || error == ENOMEM; }

void report_out_of_resources(const char *filename, int error) {
    std::printf("\nCannot open %s: %s\n", printable_name(filename).c_str(), std::strerror(error));
}

void end_with_failure() {
    std::fflush(stdout);
    std::exit(kFailureStatus);
}

}  // namespace korvane
