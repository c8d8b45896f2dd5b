// Validation of LAS files and classification by LASType.
#include "Korvane_LiDAR.h"

#include <cstdio>
#include <cstring>

#include "file_util.hpp"
#include "las_format.hpp"
#include "validation.hpp"

namespace {

using korvane::digit;

// Reads the first 227 bytes of a regular file. The open does not block, so
// that a FIFO is refused rather than waited on.
bool read_header_bytes(const char *filename, unsigned char *bytes) {
    korvane::OpenOutcome outcome;
    const korvane::FilePtr f = korvane::open_regular_file(filename, outcome);
    return f && std::fread(bytes, 1, korvane::kHeaderBytes, f.get()) == korvane::kHeaderBytes;
}

int16_t not_valid(const char *filename) {
    std::printf("\n%s is not a valid .las file\n\n", korvane::shown(filename).c_str());
    return -1;
}

}  // namespace

extern "C" int16_t check_las(const char *filename) {
    LAS12Header h;
    return korvane::check_las_header(filename, h);
}

int16_t korvane::check_las_header(const char *filename, LAS12Header &h) {
    if (file_access(filename) < 0) {
        error_msg(1, filename);
        return -1;
    }
    if (check_file_extension(filename, "las") < 0) return -1;

    // Only a regular file holding a whole public header can be a LAS file
    // this system uses: not a directory, a FIFO or a device, nor a truncated
    // download.
    unsigned char bytes[korvane::kHeaderBytes];
    if (!read_header_bytes(filename, bytes)) return not_valid(filename);
    if (std::memcmp(bytes, "LASF", 4) != 0) return not_valid(filename);

    h = korvane::decode_header(bytes);
    if (h.VersionMajor != 1) {
        std::printf("\nCannot handle las files of version %c.x\n", digit(h.VersionMajor));
        return -1;
    }
    if (h.VersionMinor > 2) {
        std::printf("\nCannot handle las files of version %c.%c\n", digit(h.VersionMajor), digit(h.VersionMinor));
        return -1;
    }
    const unsigned format = h.PointDataFormatID;
    if (format > 3) {
        std::printf("\nPointDataFormatID in %s is %c. Only 0, 1, 2, or 3 is accepted\n", korvane::shown(filename).c_str(), digit(format));
        return -1;
    }
    // Versions 1.0 and 1.1 know formats 0 and 1 only; their formats 2 and 3
    // are a pair this system does not handle (type 0, no message).
    const int16_t type = korvane::las_type_of(h.VersionMinor, format);
    if (type == 0) return 0;

    const unsigned length = h.PointDataRecordLength;
    if (length != korvane::kLasTypes[type].record_size) {
        std::printf("\nData format of %s (%c) is incompatible with Length of Data Record (%d)\n", korvane::shown(filename).c_str(),
                    digit(format), static_cast<int>(length));
        return -1;
    }
    return type;
}
