// The programs' names, usage and versions, and the elapsed time.
#include "program_identity.hpp"

#include <cstdio>
#include <cstring>

#include "Korvane_LiDAR.h"
#include "standard_output.hpp"

namespace pointsieve {

const char *program_name = "Pointsieve";

IdentityRequest identity_request(int argc, char **argv) {
    if (argc != 2) return IdentityRequest::None;
    if (std::strcmp(argv[1], "--help") == 0) return IdentityRequest::Help;
    if (std::strcmp(argv[1], "--version") == 0) return IdentityRequest::Version;
    return IdentityRequest::None;
}

void print_version(const char *program) {
    std::printf("%s %s\n", program, KORVANE_LIDAR_VERSION_STRING);
    std::printf("License: BSD-3-Clause (see the LICENSE file or /usr/share/doc/pointsieve/copyright)\n");
}

void print_usage(const char *usage_text) {
    std::fputs(usage_text, stdout);
    credits();
}

bool answered_identity(int argc, char **argv, const char *usage_text, bool help_asked) {
    const IdentityRequest request = identity_request(argc, argv);
    if (request == IdentityRequest::None && !help_asked) return false;
    if (request == IdentityRequest::Version)
        print_version(program_name);
    else
        print_usage(usage_text);
    finish_stdout();
    return true;
}

void print_elapsed_time(std::chrono::steady_clock::time_point begin) {
    const auto elapsed = std::chrono::steady_clock::now() - begin;
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    std::printf("\nElapsed time %.3f seconds\n", static_cast<double>(ms) / 1000.0);
}

}  // namespace pointsieve
