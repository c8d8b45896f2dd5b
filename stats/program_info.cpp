// The version text of the project's programs.
#include "program_info.hpp"

#include <cstdio>

#include "Korvane_LiDAR.h"

namespace pointsieve {

void print_version(const char *program) {
    std::printf("%s %s\n", program, KORVANE_LIDAR_VERSION_STRING);
    std::printf("License: BSD-3-Clause (see the LICENSE file or /usr/share/doc/pointsieve/copyright)\n");
}

}  // namespace pointsieve
