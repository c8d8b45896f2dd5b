// The scan angle bins of point formats 6 to 10: the 16-bit angle in steps
// of 0.006 degrees, in whole degrees rounded half away from zero, as the
// signed byte of the older formats' rank (angles beyond -128 and 127
// degrees go to those bins).
#pragma once

#include <array>
#include <cstdint>

namespace pointsieve::qa {

struct AngleBins {
    std::array<std::uint8_t, 65536> bin{};
};

// The table, built once.
const AngleBins &angle_bins();

}  // namespace pointsieve::qa
