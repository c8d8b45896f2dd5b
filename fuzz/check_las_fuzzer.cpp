// check_las on arbitrary bytes. Besides running clean under the sanitizers,
// the type it returns must be the one the header bytes call for.
#include <cstring>

#include "Korvane_LiDAR.h"
#include "fuzz_support.hpp"

namespace {

// The LASType the first 227 bytes call for, worked out from the raw bytes.
int expected_type(const std::uint8_t *data, std::size_t size) {
    if (size < 227 || std::memcmp(data, "LASF", 4) != 0) return -1;
    const unsigned major = data[24], minor = data[25], format = data[104];
    const unsigned length = fuzz::u16_at(data, size, 105);
    if (major != 1 || minor > 2 || format > 3) return -1;
    if (minor < 2 && format > 1) return 0;
    static const unsigned kLength[4] = {20, 28, 26, 34};
    if (length != kLength[format]) return -1;
    return static_cast<int>(minor * 2 + format + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    static const fuzz::ScratchFile file(".las");
    file.write(data, size);
    const int type = check_las(file.name().c_str());
    fuzz::require(type == expected_type(data, size), "check_las returned another LASType than the bytes call for");
    return 0;
}
