// The scan angle bins of point formats 6 to 10.
#include "angle_bins.hpp"

#include <algorithm>

namespace pointsieve::qa {

namespace {

AngleBins make_angle_bins() {
    AngleBins t;
    for (int raw = -32768; raw <= 32767; ++raw) {
        const int six = 6 * (raw < 0 ? -raw : raw);
        int degrees = (six + 500) / 1000;
        if (raw < 0) degrees = -degrees;
        degrees = std::clamp(degrees, -128, 127);
        t.bin[static_cast<std::uint16_t>(raw)] = static_cast<std::uint8_t>(degrees & 0xFF);
    }
    return t;
}

}  // namespace

const AngleBins &angle_bins() {
    static const AngleBins bins = make_angle_bins();
    return bins;
}

}  // namespace pointsieve::qa
