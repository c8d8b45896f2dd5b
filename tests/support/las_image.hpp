// The 227-byte file image of a header, for the tests and benchmarks that
// write LAS files (the library itself only reads headers, and rewrites
// their fields one by one).
#pragma once

#include <cstring>

#include "las_format.hpp"

namespace korvane {

// Encodes a host-order record into its 227-byte file image.
inline void encode_header(LAS12Header h, unsigned char *bytes) {
    header_to_host_order(h);  // the swap is its own inverse
    std::memcpy(bytes, &h, kHeaderBytes);
}

}  // namespace korvane
