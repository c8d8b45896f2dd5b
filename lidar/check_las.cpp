// Validation of LAS files and classification by LASType.
#include "Korvane_LiDAR.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "file_util.hpp"
#include "las_format.hpp"
#include "process.hpp"
#include "validation.hpp"

namespace korvane {

HeaderClass classify_header(const unsigned char *bytes, std::size_t got) {
    HeaderClass c{HeaderVerdict::NotLas, -1, {}};
    // Only a whole public header can belong to a LAS file this system reads.
    if (got < kHeaderBytes || std::memcmp(bytes, "LASF", 4) != 0) return c;
    c.header = decode_header(bytes);
    const LAS12Header &h = c.header;
    if (h.VersionMajor != 1) {
        c.verdict = HeaderVerdict::BadMajor;
    } else if (h.VersionMinor > 2) {
        c.verdict = HeaderVerdict::BadMinor;
    } else if (h.PointDataFormatID > 3) {
        c.verdict = HeaderVerdict::BadFormat;
    } else if (const std::int16_t type = las_type_of(h.VersionMinor, h.PointDataFormatID); type == 0) {
        // Versions 1.0 and 1.1 know formats 0 and 1 only.
        c.verdict = HeaderVerdict::UnhandledPair;
        c.type = 0;
    } else if (h.PointDataRecordLength != kLasTypes[type].record_size) {
        c.verdict = HeaderVerdict::BadLength;
    } else {
        c.verdict = HeaderVerdict::Usable;
        c.type = type;
    }
    return c;
}

std::int16_t report_header_class(const char *filename, const HeaderClass &c) {
    const PrintableName name = printable_name(filename);
    const LAS12Header &h = c.header;
    switch (c.verdict) {
        case HeaderVerdict::Usable:
        case HeaderVerdict::UnhandledPair: break;
        case HeaderVerdict::NotLas: std::printf("\n%s is not a valid .las file\n\n", name.c_str()); break;
        case HeaderVerdict::BadMajor:
            std::printf("\nCannot handle las files of version %c.x\n", digit_character(h.VersionMajor));
            break;
        case HeaderVerdict::BadMinor:
            std::printf("\nCannot handle las files of version %c.%c\n", digit_character(h.VersionMajor), digit_character(h.VersionMinor));
            break;
        case HeaderVerdict::BadFormat:
            std::printf("\nPointDataFormatID in %s is %c. Only 0, 1, 2, or 3 is accepted\n", name.c_str(),
                        digit_character(h.PointDataFormatID));
            break;
        case HeaderVerdict::BadLength:
            std::printf("\nData format of %s (%c) is incompatible with Length of Data Record (%d)\n", name.c_str(),
                        digit_character(h.PointDataFormatID), static_cast<int>(h.PointDataRecordLength));
            break;
    }
    return c.type;
}

std::int16_t check_las_header(const char *filename, LAS12Header &h, bool *resources) {
    if (resources) *resources = false;
    const auto refuse_for_resources = [&](int error) -> std::int16_t {
        report_out_of_resources(filename, error);
        if (resources) *resources = true;
        return -1;
    };
    if (file_access(filename) < 0) {
        if (out_of_resources(errno)) return refuse_for_resources(errno);
        error_msg(1, filename);
        return -1;
    }
    if (check_file_extension(filename, "las") < 0) return -1;

    // Only a regular file can be a LAS file this system uses: not a folder,
    // a FIFO or a device. The open does not block, so a FIFO is refused
    // rather than waited on.
    OpenOutcome opened;
    const FilePtr f = open_regular_file(filename, opened);
    if (!f && opened == OpenOutcome::CannotOpen && out_of_resources(errno)) return refuse_for_resources(errno);
    unsigned char bytes[kHeaderBytes];
    const std::size_t got = f ? std::fread(bytes, 1, sizeof bytes, f.get()) : 0;
    const HeaderClass c = classify_header(bytes, got);
    h = c.header;
    return report_header_class(filename, c);
}

}  // namespace korvane

extern "C" int16_t check_las(const char *filename) {
    LAS12Header h;
    return korvane::check_las_header(filename, h);
}
