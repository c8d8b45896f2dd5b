// Little-endian loads from byte buffers of any alignment, on hosts of
// either byte order.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace pointsieve::formats {

template <class T>
inline T load(const unsigned char *p) {
    static_assert(std::is_trivially_copyable_v<T>);
    if constexpr (std::endian::native == std::endian::big && sizeof(T) > 1) {
        unsigned char b[sizeof(T)];
        for (std::size_t k = 0; k < sizeof(T); ++k) b[k] = p[sizeof(T) - 1 - k];
        T v;
        std::memcpy(&v, b, sizeof(T));
        return v;
    } else {
        T v;
        std::memcpy(&v, p, sizeof(T));
        return v;
    }
}

}  // namespace pointsieve::formats
