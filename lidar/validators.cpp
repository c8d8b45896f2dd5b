// Validators for numeric, yes/no and elevation-model file arguments.
//
// check_numeric_argument and check_DEM end the process with status 255 when
// the value is unacceptable, so their returning means acceptance; check_YN
// returns a code. Texts and names of any length are handled: positions are
// size_t and the header file name is built in a std::string.
#include "Korvane_LiDAR.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "file_util.hpp"
#include "process.hpp"

namespace {

[[noreturn]] void reject_numeric(const char *str) {
    std::printf("\nInvalid argument value (%s)\n", korvane::printable_name(str).c_str());
    korvane::end_with_failure();
}

}  // namespace

extern "C" {

// Accepts digits with at most one dot and at most one dash, anywhere in the
// text; where they stand is not examined, the caller converts afterwards.
void check_numeric_argument(const char *str) {
    const std::size_t n = std::strlen(str);
    std::size_t ndots = 0;
    std::size_t ndashes = 0;
    for (std::size_t t = 0; t < n; ++t) {
        const char c = str[t];
        if (c == '.') {
            ++ndots;
        } else if (c == '-') {
            ++ndashes;
        } else if (c < '0' || c > '9') {
            reject_numeric(str);
        }
    }
    if (n == 0) return;
    if (ndots > 1 || ndashes > 1 || (n == 1 && (str[0] == '.' || str[0] == '-'))) {
        reject_numeric(str);
    }
}

int16_t check_YN(const char *text) {
    if (std::strcmp(text, "Y") == 0 || std::strcmp(text, "N") == 0 ||
        std::strcmp(text, "y") == 0 || std::strcmp(text, "n") == 0) {
        return 0;
    }
    std::printf("\nASCII Header Flag should be either Y (y) or N (n)\n");
    return -1;
}

// Every extension test goes through check_file_extension, so a failed test
// prints its message even when the other extension then matches.
void check_DEM(const char *str) {
    if (check_file_extension(str, "asc") != 0 && check_file_extension(str, "flt") != 0) {
        std::printf("\nDEM file extension should be either '.asc' (ASCII) or '.flt' (floating point binary)\n");
        korvane::end_with_failure();
    }
    // An ASCII grid is accepted by name alone.
    if (check_file_extension(str, "flt") != 0) return;

    // A floating-point grid needs its header beside it: tile7.flt -> tile7.hdr.
    std::string filename(str, std::strlen(str) - 4);
    filename += ".hdr";
    if (file_access(filename.c_str()) < 0) {
        std::printf("\nFloating point binary DEM files also require a ASCII header file ('.hdr')\n");
        korvane::end_with_failure();
    }
}

}  // extern "C"
