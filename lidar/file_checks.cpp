// File existence and extension checks, numbered messages and the banner.
#include "Korvane_LiDAR.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "file_checks.hpp"
#include "file_util.hpp"
#include "process.hpp"

namespace korvane {

ExtensionMatch compare_extension(const char *filename, const char *extension) {
    const std::size_t n = std::strlen(filename);
    if (n <= 4) {
        std::printf("\nFile name (%s) is too short\n", printable_name(filename).c_str());
        return ExtensionMatch::Unusable;
    }
    if (filename[n - 4] != '.') {
        std::printf("\nExtension of file %s should be preceeded by a dot (.)\n", printable_name(filename).c_str());
        return ExtensionMatch::Unusable;
    }
    return std::strcmp(filename + n - 3, extension) == 0 ? ExtensionMatch::Matches : ExtensionMatch::Differs;
}

}  // namespace korvane

extern "C" {

int16_t file_access(const char *filename) {
    // Opened without blocking, so that a FIFO with no writer cannot hang the
    // check; it is closed again at once.
    if (korvane::opens_for_reading(filename)) return 0;
    const int error = errno;  // why it failed, for callers that tell
    std::printf("Unable to open file %s in file_access()\n", korvane::printable_name(filename).c_str());
    errno = error;
    return -1;
}

int16_t check_file_extension(const char *filename, const char *extension) {
    const korvane::ExtensionMatch match = korvane::compare_extension(filename, extension);
    if (match == korvane::ExtensionMatch::Matches) return 0;
    if (match == korvane::ExtensionMatch::Differs)
        std::printf("\nFile extension of %s is not .%s\n", korvane::printable_name(filename).c_str(), korvane::printable_name(extension).c_str());
    return -1;
}

void error_msg(int32_t i, const char *text) {
    switch (i) {
        case 1: std::printf("\nFile %s does NOT exist\n", korvane::printable_name(text).c_str()); break;
        case 2: std::printf("\nFile %s already exists\n", korvane::printable_name(text).c_str()); break;
        case 3: std::printf("\nSame file name (%s) has been specified twice\n", korvane::printable_name(text).c_str()); break;
        default: break;
    }
}

void credits(void) {
    std::printf("\nKorvane LiDAR Utilities");
    std::printf("\n\nDeveloped and maintained by the Pointsieve maintainers");
    std::printf("\nPointsieve Point Cloud Tools");
    std::printf("\n1 Survey Lane, Meridian Vale");
    std::printf("\n\n** No warranty regarding script behavior is given or implied **");
    std::printf("\n** Acknowledging the author's efforts ensures script updates and availability **\n");
}

}  // extern "C"
