// The predictors of x and y that POINT10 and POINT14 share: the median of
// the last five differences, and the 32-bit sums that wrap as LASzip's do.
#pragma once

#include <array>
#include <cstdint>

#include "range_decoder.hpp"

namespace pointsieve::laz {

// The median of the last five values, kept sorted as they come.
struct Median5 {
    std::array<std::int32_t, 5> values{};
    bool high = true;  // the next value goes in from the top
};

inline void start_median(Median5 &m) {
    m.values.fill(0);
    m.high = true;
}

inline std::int32_t median_of(const Median5 &m) { return m.values[2]; }

// Inserts v, dropping the largest value when the last one went in from the
// top, the smallest when it went in from the bottom.
POINTSIEVE_LAZ_INLINE void add_to_median(Median5 &m, std::int32_t v) {
    std::array<std::int32_t, 5> &a = m.values;
    if (m.high) {
        if (v < a[2]) {
            a[4] = a[3];
            a[3] = a[2];
            if (v < a[0]) a[2] = a[1], a[1] = a[0], a[0] = v;
            else if (v < a[1]) a[2] = a[1], a[1] = v;
            else a[2] = v;
        } else {
            if (v < a[3]) a[4] = a[3], a[3] = v;
            else a[4] = v;
            m.high = false;
        }
    } else {
        if (a[2] < v) {
            a[0] = a[1];
            a[1] = a[2];
            if (a[4] < v) a[2] = a[3], a[3] = a[4], a[4] = v;
            else if (a[3] < v) a[2] = a[3], a[3] = v;
            else a[2] = v;
        } else {
            if (a[1] < v) a[0] = a[1], a[1] = v;
            else a[0] = v;
            m.high = true;
        }
    }
}

inline std::int32_t wrapping_add(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

}  // namespace pointsieve::laz
