// Default public headers for new LAS 1.0, 1.1 and 1.2 files.
//
// The three records share one layout; they differ in the names of the fields
// after the signature and before the header size, and in the minor version
// written. The
// identifier strings are set as NUL-terminated strings only: the bytes after
// each terminator keep whatever the caller's record held.
#include "Korvane_LiDAR.h"

#include <cstddef>
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
    //  - the two fields after the signature and the two before the header
    //    size, named differently in each version (file source and encoding
    //    or reserved; creation or flight date);
    //  - the point count and the five counts by return;
    //  - the three offsets and the six bounds.
    unsigned char *bytes = reinterpret_cast<unsigned char *>(ph);
    const auto zero = [bytes](std::size_t from, std::size_t to) { std::memset(bytes + from, 0, to - from); };
    zero(sizeof ph->LASF, offsetof(Header, GUIDData1));
    zero(offsetof(Header, GeneratingSoftware) + sizeof ph->GeneratingSoftware, offsetof(Header, HeaderSize));
    zero(offsetof(Header, NumberOfPointReturns), offsetof(Header, XScaleFactor));
    zero(offsetof(Header, XOffset), sizeof(Header));
}

}  // namespace

extern "C" {

void initialize_header10(LAS10Header *ph) { initialize_common(ph, 0); }
void initialize_header11(LAS11Header *ph) { initialize_common(ph, 1); }
void initialize_header12(LAS12Header *ph) { initialize_common(ph, 2); }

}  // extern "C"
