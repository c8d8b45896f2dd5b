// The report page as it is written: a buffer drained to the file in large
// blocks, escaped text, and numbers with thousands separators.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace pointsieve::qa::report {

// The page, collected in a buffer that is written out in large blocks.
struct Page {
    std::FILE *file = nullptr;
    std::string buffer;
    bool failed = false;
    int error = 0;  // errno of the first failure
};
void put(Page &p, std::string_view text);
void put_escaped(Page &p, std::string_view text);  // text and attribute values
#if defined(__GNUC__) && !defined(_WIN32)
void putf(Page &p, const char *format, ...) __attribute__((format(printf, 2, 3)));
#else
void putf(Page &p, const char *format, ...);
#endif
bool drain(Page &p);  // writes out what the buffer holds
std::string thousands(double count);  // 1234567 -> "1,234,567"

}  // namespace pointsieve::qa::report
