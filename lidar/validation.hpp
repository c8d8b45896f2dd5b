// check_las with the header it read, for callers that explain a LASType of
// 0 (a version and point format pair without a record layout).
#pragma once

#include <cstdint>

#include "Korvane_LiDAR.h"

namespace korvane {

// check_las(filename), which also leaves the decoded header in h whenever it
// read a whole one (always when the result is 0 or above).
std::int16_t check_las_header(const char *filename, LAS12Header &h);

}  // namespace korvane
