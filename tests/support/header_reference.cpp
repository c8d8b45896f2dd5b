#include "header_reference.hpp"

#include <algorithm>
#include <climits>
#include <cstddef>

#include "las_format.hpp"

namespace header_reference {

using korvane::load_le;
using korvane::store_le;

Figures before_any_record() {
    Figures f;
    f.maxX = f.maxY = f.maxZ = INT32_MIN;
    f.minX = f.minY = f.minZ = INT32_MAX;
    return f;
}

Figures scan(const unsigned char *file, std::size_t size, int las_type) {
    const std::size_t record = korvane::las_type_info(las_type)->record_size;
    const std::uint32_t offset = load_le<std::uint32_t>(file + offsetof(LAS12Header, OffsetToData));
    const std::uint64_t present = size > offset ? (size - offset) / record : 0;
    Figures f = before_any_record();
    for (std::uint64_t k = 0; k < present; ++k) {
        // X, Y and Z open every record format, the return number is the
        // low three bits of byte 14.
        const unsigned char *at = file + offset + k * record;
        const std::int32_t x = load_le<std::int32_t>(at), y = load_le<std::int32_t>(at + 4),
                           z = load_le<std::int32_t>(at + 8);
        f.maxX = std::max(f.maxX, x), f.minX = std::min(f.minX, x);
        f.maxY = std::max(f.maxY, y), f.minY = std::min(f.minY, y);
        f.maxZ = std::max(f.maxZ, z), f.minZ = std::min(f.minZ, z);
        const int r = at[14] & 7;
        if (r >= 1 && r <= 5) ++f.byReturn[r - 1];
        ++f.count;
    }
    return f;
}

std::vector<unsigned char> with_figures(std::vector<unsigned char> file, const Figures &f) {
    unsigned char *p = file.data();
#define AT(field) (p + offsetof(LAS12Header, field))
    store_le<std::uint32_t>(AT(NumberOfPointReturns), static_cast<std::uint32_t>(f.count));
    for (int k = 0; k < 5; ++k) store_le<std::uint32_t>(AT(NumberOfPointsByReturn) + 4 * k, f.byReturn[k]);
    if (f.count == 0) return file;
    const double sx = load_le<double>(AT(XScaleFactor)), sy = load_le<double>(AT(YScaleFactor)),
                 sz = load_le<double>(AT(ZScaleFactor));
    const double ox = load_le<double>(AT(XOffset)), oy = load_le<double>(AT(YOffset)), oz = load_le<double>(AT(ZOffset));
    store_le<double>(AT(MaxX), ox + sx * f.maxX);
    store_le<double>(AT(MinX), ox + sx * f.minX);
    store_le<double>(AT(MaxY), oy + sy * f.maxY);
    store_le<double>(AT(MinY), oy + sy * f.minY);
    store_le<double>(AT(MaxZ), oz + sz * f.maxZ);
    store_le<double>(AT(MinZ), oz + sz * f.minZ);
#undef AT
    return file;
}

}  // namespace header_reference
