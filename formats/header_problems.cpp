// The reasons a LAS header is refused, in words.
#include <cmath>
#include <cstdio>

#include "las_header.hpp"

namespace pointsieve::formats {

std::string header_problem_text(const HeaderReading &r) {
    const LasHeader &h = r.header;
    // Version bytes print as numbers, as the version column gives them.
    const unsigned major = h.VersionMajor, minor = h.VersionMinor;
    char text[200];
    switch (r.problem) {
        case HeaderProblem::None: return {};
        case HeaderProblem::NotLas: return "not a valid .las file";
        case HeaderProblem::BadMajor:
            std::snprintf(text, sizeof text, "Cannot handle las files of version %u.x", major);
            break;
        case HeaderProblem::BadMinor:
            std::snprintf(text, sizeof text, "Cannot handle las files of version %u.%u", major, minor);
            break;
        case HeaderProblem::BadFormat:
            std::snprintf(text, sizeof text, "PointDataFormatID is %u. Only 0 to 10 are accepted", r.format);
            break;
        case HeaderProblem::UnhandledPair:
            std::snprintf(text, sizeof text, "Cannot handle point data format %u in las files of version %u.%u",
                          r.format, major, minor);
            break;
        case HeaderProblem::BadLength:
            std::snprintf(text, sizeof text, "Data format (%u) is incompatible with Length of Data Record (%u)",
                          r.format, static_cast<unsigned>(h.PointDataRecordLength));
            break;
        case HeaderProblem::ShortHeader:
            std::snprintf(text, sizeof text, "Header size %u is smaller than the %u bytes of a version %u.%u header",
                          static_cast<unsigned>(h.HeaderSize),
                          static_cast<unsigned>(h.VersionMinor >= 4   ? kHeaderBytes14
                                                : h.VersionMinor == 3 ? kHeaderBytes13
                                                                      : kHeaderBytes12),
                          major, minor);
            break;
        case HeaderProblem::CutHeader:
            std::snprintf(text, sizeof text, "The file ends inside its version %u.%u header", major, minor);
            break;
        case HeaderProblem::BadScale: {
            const int a = r.bad_axis >= 0 && r.bad_axis <= 2 ? r.bad_axis : 0;
            const double scale[3] = {h.XScaleFactor, h.YScaleFactor, h.ZScaleFactor};
            const double offset[3] = {h.XOffset, h.YOffset, h.ZOffset};
            const char axis = "XYZ"[a];
            if (!(scale[a] > 0) || !std::isfinite(scale[a]))
                std::snprintf(text, sizeof text, "scale factor %c is %g: it must be a positive number", axis, scale[a]);
            else if (!std::isfinite(offset[a]))
                std::snprintf(text, sizeof text, "offset %c is %g: it must be a number", axis, offset[a]);
            else
                std::snprintf(text, sizeof text, "scale factor %c of %g with offset %g gives coordinates beyond %g",
                              axis, scale[a], offset[a], kFarthestCoordinate);
            break;
        }
        case HeaderProblem::BadOffset:
            std::snprintf(text, sizeof text, "The point data starts at byte %u, inside the header",
                          static_cast<unsigned>(h.OffsetToPointData));
            break;
    }
    return text;
}

}  // namespace pointsieve::formats
