// Little-endian loads and stores on byte buffers of any alignment, on hosts
// of either byte order: the LAZ format's fields and the LAS records it
// decodes to are little-endian.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace pointsieve::laz {

template <class T>
inline T load_le(const unsigned char *p) {
    static_assert(std::is_integral_v<T> || std::is_floating_point_v<T>);
    if constexpr (std::is_floating_point_v<T>) {
        // A double or float as the integer of its bits.
        using Bits = std::conditional_t<sizeof(T) == 8, std::uint64_t, std::uint32_t>;
        return std::bit_cast<T>(load_le<Bits>(p));
    } else if constexpr (std::endian::native == std::endian::little) {
        T v;
        std::memcpy(&v, p, sizeof v);
        return v;
    } else {
        std::make_unsigned_t<T> u = 0;
        for (std::size_t k = 0; k < sizeof(T); ++k) u |= static_cast<std::make_unsigned_t<T>>(p[k]) << (8 * k);
        return static_cast<T>(u);
    }
}

template <class T>
inline void store_le(unsigned char *p, T v) {
    static_assert(std::is_integral_v<T>);
    if constexpr (std::endian::native == std::endian::little) {
        std::memcpy(p, &v, sizeof v);
    } else {
        const auto u = static_cast<std::make_unsigned_t<T>>(v);
        for (std::size_t k = 0; k < sizeof(T); ++k) p[k] = static_cast<unsigned char>(u >> (8 * k));
    }
}

}  // namespace pointsieve::laz
