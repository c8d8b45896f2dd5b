// Default public headers for new LAS 1.0, 1.1 and 1.2 files.
//
// The three records share one layout; they differ in the names of the fields
// at offsets 4 to 7 and 90 to 93, and in the minor version written. The
// identifier strings are set as NUL-terminated strings only: the bytes after
// each terminator keep whatever the caller's record held.
#include "Korvane_LiDAR.h"

#include <cstring>

namespace {

constexpr char kGeneratingSoftware[] = "Korvane LiDAR Utilities";
static_assert(sizeof kGeneratingSoftware == 24, "23 characters and the terminator");

// The fields that the three header records name alike.
template <class Header>
void initialize_common(Header *ph, uint8_t minor) {
    std::memcpy(ph->LASF, "LASF", 4);
    ph->GUIDData1 = 0;
    ph->GUIDData2 = 0;
    ph->GUIDData3 = 0;
    ph->GUIDData4[0] = 0;
    ph->VersionMajor = 1;
    ph->VersionMinor = minor;
    ph->SystemIdentifier[0] = '\0';
    std::memcpy(ph->GeneratingSoftware, kGeneratingSoftware, sizeof kGeneratingSoftware);
    // A 227-byte header followed directly by the points, no variable-length
    // records. The caller sets the point format and its record length.
    ph->HeaderSize = 227;
    ph->OffsetToData = 227;
    ph->NumberOfVariableLengthRecords = 0;
    ph->PointDataFormatID = 0;
    ph->PointDataRecordLength = 0;
    ph->XScaleFactor = ph->YScaleFactor = ph->ZScaleFactor = 1.0;
    // Zero bytes are zero in either byte order and 0.0 as a double:
    //  - bytes 4 to 7 and 90 to 93, named differently in each version (file
    //    source and encoding or reserved; creation or flight date);
    //  - the point count and the five counts by return, bytes 107 to 130;
    //  - the three offsets and the six bounds, bytes 155 to 226.
    unsigned char *bytes = reinterpret_cast<unsigned char *>(ph);
    std::memset(bytes + 4, 0, 4);
    std::memset(bytes + 90, 0, 4);
    std::memset(bytes + 107, 0, 131 - 107);
    std::memset(bytes + 155, 0, 227 - 155);
}

}  // namespace

extern "C" {

void initialize_header10(LAS10Header *ph) { initialize_common(ph, 0); }
void initialize_header11(LAS11Header *ph) { initialize_common(ph, 1); }
void initialize_header12(LAS12Header *ph) { initialize_common(ph, 2); }

}  // extern "C"
