// The version text of the project's programs.
#include "program_info.hpp"

#include <cstdio>
#include <cstring>

#include "Korvane_LiDAR.h"
#include "failure.hpp"

namespace pointsieve {

void print_version(const char *program) {
    std::printf("%s %s\n", program, KORVANE_LIDAR_VERSION_STRING);
    std::printf("License: BSD-3-Clause (see the LICENSE file or /usr/share/doc/pointsieve/copyright)\n");
}

bool answered_version(int argc, char **argv) {
    if (argc != 2 || std::strcmp(argv[1], "--version") != 0) return false;
    print_version(program_name);
    return true;
}

}  // namespace pointsieve
