// POINT10 in version 1, as LASzip wrote it before 2.0: the coordinates
// first, x and y predicted from the median of the last three differences,
// z from the last z, then which of the other fields changed.
#include "point_items.hpp"

namespace pointsieve::laz {

namespace {

std::int32_t median3(const std::array<std::int32_t, 3> &v) {
    if (v[0] < v[1]) return v[1] < v[2] ? v[1] : (v[0] < v[2] ? v[2] : v[0]);
    return v[0] < v[2] ? v[0] : (v[1] < v[2] ? v[2] : v[1]);
}

std::int32_t plus_v1(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}

}  // namespace

void decode_point10_v1(Point10Decoder &p, RangeDecoder &r, unsigned char *out) {
    Point10 &last = p.last;
    const std::int32_t dx = decode_integer(r, p.dx, median3(p.last_dx), 0);
    last.x = plus_v1(last.x, dx);
    // The size of the x corrector picks the context of y, both that of z.
    std::uint32_t k = p.dx.k;
    const std::int32_t dy = decode_integer(r, p.dy, median3(p.last_dy), k < 19 ? k : 19);
    last.y = plus_v1(last.y, dy);
    k = (k + p.dy.k) / 2;
    last.z = decode_integer(r, p.z, last.z, k < 19 ? k : 19);
    // Bit 5 intensity, 4 the return byte, 3 class, 2 scan angle, 1 user
    // data, 0 point source.
    const std::uint32_t changed = decode_symbol(r, p.changed);
    if (changed & 32) last.intensity = static_cast<std::uint16_t>(decode_integer(r, p.intensity, last.intensity, 0));
    if (changed & 16) last.returns = decode_byte_model(r, p.returns, last.returns);
    if (changed & 8) last.classification = decode_byte_model(r, p.classification, last.classification);
    if (changed & 4)
        last.scan_angle = static_cast<std::uint8_t>(decode_integer(r, p.scan_angle_v1, last.scan_angle, k < 3));
    if (changed & 2) last.user_data = decode_byte_model(r, p.user_data, last.user_data);
    if (changed & 1)
        last.point_source = static_cast<std::uint16_t>(decode_integer(r, p.point_source, last.point_source, 0));
    p.last_dx[p.next_diff] = dx;
    p.last_dy[p.next_diff] = dy;
    p.next_diff = (p.next_diff + 1) % 3;
    write_point10(last, out);
}

}  // namespace pointsieve::laz
