// The failure status, names as standard output shows them, and opens that
// fail for want of resources.
#include "process.hpp"

#include <cstddef>
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

// Length of the well-formed UTF-8 sequence at p, and its code point; 0 when
// the bytes at p are no such sequence.
std::size_t utf8_sequence(const unsigned char *p, const unsigned char *end, char32_t &code) {
    const unsigned lead = p[0];
    const std::size_t n = lead >= 0xF0 && lead <= 0xF4 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 && lead < 0xE0 ? 2 : 0;
    if (n == 0 || end - p < static_cast<std::ptrdiff_t>(n)) return 0;
    code = lead & (0x7Fu >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((p[k] & 0xC0) != 0x80) return 0;
        code = (code << 6) | (p[k] & 0x3Fu);
    }
    const bool overlong = (n == 3 && code < 0x800) || (n == 4 && code < 0x10000);
    const bool invalid = code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF);
    return overlong || invalid ? 0 : n;
}

// The length of the character at p, and whether a terminal must not see it.
std::size_t next_character(const unsigned char *p, const unsigned char *end, bool &hidden) {
    char32_t code = 0;
    const std::size_t n = utf8_sequence(p, end, code);
    if (n == 0) {
        hidden = (*p >= 1 && *p <= 31) || *p == 127 || (*p >= 0x80 && *p <= 0x9F);
        return 1;
    }
    hidden = (code >= 0x80 && code <= 0x9F) || (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069);
    return n;
}

}  // namespace

PrintableName printable_name(const char *name) noexcept {
    PrintableName s{name, {}};
    const auto *begin = reinterpret_cast<const unsigned char *>(name), *end = begin + std::strlen(name);
    if (!stdout_is_terminal()) return s;
    bool hidden = false;
    for (const unsigned char *p = begin; p < end && !hidden;) p += next_character(p, end, hidden);
    if (!hidden) return s;
    try {
        for (const unsigned char *p = begin; p < end;) {
            const std::size_t n = next_character(p, end, hidden);
            if (hidden)
                s.changed += '?';
            else
                s.changed.append(reinterpret_cast<const char *>(p), n);
            p += n;
        }
    } catch (const std::bad_alloc &) {
        s.changed.clear();
    }
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
