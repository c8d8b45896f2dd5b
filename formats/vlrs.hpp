// The variable-length records of a LAS file (after the header) and the
// extended ones of LAS 1.4 (after the points): their headers, and the
// payloads of the few the audit reads.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "las_header.hpp"

namespace pointsieve::formats {

struct Vlr {
    std::string user_id;      // up to 16 bytes, trailing NULs removed
    std::uint16_t record_id = 0;
    bool extended = false;    // an EVLR
    std::vector<unsigned char> data;  // the payload, for the records kept (else empty)
    std::uint64_t length = 0;         // the payload's length as its header gives it
};

// The records read: which were found, and whether all could be read.
struct VlrReading {
    std::vector<Vlr> records;
    bool complete = true;  // false: a record runs past the points or the file
    std::string problem;   // why not, in words
};

// Whether the payload of a record is kept: the coordinate system records
// (LASF_Projection), the extra bytes description (LASF_Spec 4) and the
// compression record (laszip encoded 22204).
bool payload_wanted(const std::string &user_id, std::uint16_t record_id);

// Reads the VLRs between the header and the points, and the EVLRs of a LAS
// 1.4 file, from f; file_size bounds every length. Payloads above a few
// megabytes are not kept.
VlrReading read_vlrs(std::FILE *f, const LasHeader &h, std::uint64_t file_size);

}  // namespace pointsieve::formats
