// The one classification of a LAS public header, shared by check_las,
// update_header and the command's check that a file has not changed since it
// was validated.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Korvane_LiDAR.h"

namespace korvane {

// What the first bytes of a file make of it, in the order the checks run.
enum class HeaderVerdict {
    Usable,         // LASType 1 to 8
    UnhandledPair,  // LASType 0: a version 1.0 or 1.1 file of point format 2 or 3
    NotLas,         // less than a whole header, or no LASF signature
    BadMajor,       // a major version other than 1
    BadMinor,       // a minor version above 2
    BadFormat,      // a point data format above 3
    BadLength,      // a record length other than the format's own
};

struct HeaderClass {
    HeaderVerdict verdict;
    std::int16_t type;   // the LASType: 1 to 8, 0, or -1 for every refusal
    LAS12Header header;  // decoded, whenever a whole header was read
};

// Classifies the got bytes read from the start of a file (227 make a whole
// header). Prints nothing.
HeaderClass classify_header(const unsigned char *bytes, std::size_t got);

// Prints check_las's message for a refused header of the named file (none
// for Usable and UnhandledPair) and returns the LASType.
std::int16_t report_header_class(const char *filename, const HeaderClass &c);

// check_las(filename), which also leaves the decoded header in h whenever it
// read a whole one (always when the result is 0 or above). When the file
// could not be opened for want of resources, *resources (if given) is set
// and the message says so.
std::int16_t check_las_header(const char *filename, LAS12Header &h, bool *resources = nullptr);

}  // namespace korvane
