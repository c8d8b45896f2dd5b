// POINT10, the 20 bytes every record of point formats 0 to 5 begins with:
// its state, and its decoding in version 2 (LASzip 2.0 and later). The
// coordinates are predicted from the medians of the last five differences
// (x, y) and the last height (z), each kept apart for every kind of return.
#include <cstdlib>
#include <initializer_list>

#include "laz_endian.hpp"
#include "point_items.hpp"

namespace pointsieve::laz {

namespace {

// The context of a return number r (columns) among n returns (rows): 0 to
// 14 for the pairs a well-formed pulse has, the other pairs spread so that
// files numbering from 0, or swapping the two, keep contexts of their own.
constexpr std::uint8_t kReturnContext[8][8] = {
    {15, 14, 13, 12, 11, 10, 9, 8},  {14, 0, 1, 3, 6, 10, 10, 9},   {13, 1, 2, 4, 7, 11, 11, 10},
    {12, 3, 4, 5, 8, 12, 12, 11},    {11, 6, 7, 8, 9, 13, 13, 12},  {10, 10, 11, 12, 13, 14, 14, 13},
    {9, 10, 11, 12, 13, 14, 15, 14}, {8, 9, 10, 11, 12, 13, 14, 15},
};

}  // namespace

std::uint8_t decode_byte_model(RangeDecoder &r, ByteModels &m, std::uint8_t before) {
    if (!m.ready[before]) {
        reset_symbol_model(m.models[before], 256);
        m.ready[before] = true;
    }
    return static_cast<std::uint8_t>(decode_symbol(r, m.models[before]));
}

void write_point10(const Point10 &p, unsigned char *out) {
    store_le(out, p.x);
    store_le(out + 4, p.y);
    store_le(out + 8, p.z);
    store_le(out + 12, p.intensity);
    out[14] = p.returns;
    out[15] = p.classification;
    out[16] = p.scan_angle;
    out[17] = p.user_data;
    store_le(out + 18, p.point_source);
}

void setup_point10(Point10Decoder &p, std::uint16_t version) {
    p.version = version;
    if (version == 1) {
        setup_integer_decoder(p.dx, 32, 1);
        setup_integer_decoder(p.dy, 32, 20);
        setup_integer_decoder(p.z, 32, 20);
        setup_integer_decoder(p.intensity, 16, 1);
        setup_integer_decoder(p.scan_angle_v1, 8, 2);
    } else {
        setup_integer_decoder(p.dx, 32, 2);
        setup_integer_decoder(p.dy, 32, 22);
        setup_integer_decoder(p.z, 32, 20);
        setup_integer_decoder(p.intensity, 16, 4);
    }
    setup_integer_decoder(p.point_source, 16, 1);
}

void start_point10(Point10Decoder &p, const unsigned char *first) {
    p.last.x = load_le<std::int32_t>(first);
    p.last.y = load_le<std::int32_t>(first + 4);
    p.last.z = load_le<std::int32_t>(first + 8);
    // Version 2 predicts the intensity by kind of return, from zero.
    p.last.intensity = p.version == 1 ? load_le<std::uint16_t>(first + 12) : 0;
    p.last.returns = first[14];
    p.last.classification = first[15];
    p.last.scan_angle = first[16];
    p.last.user_data = first[17];
    p.last.point_source = load_le<std::uint16_t>(first + 18);
    p.last_intensity.fill(0);
    p.last_height.fill(0);
    for (Median5 &m : p.x_diffs) start_median(m);
    for (Median5 &m : p.y_diffs) start_median(m);
    p.last_dx.fill(0);
    p.last_dy.fill(0);
    p.next_diff = 0;
    reset_symbol_model(p.changed, 64);
    if (p.version == 1) reset_integer_decoder(p.scan_angle_v1);
    else
        for (SymbolModel &m : p.scan_angle) reset_symbol_model(m, 256);
    p.returns.ready.fill(false);
    p.classification.ready.fill(false);
    p.user_data.ready.fill(false);
    for (IntegerDecoder *d : {&p.dx, &p.dy, &p.z, &p.intensity, &p.point_source}) reset_integer_decoder(*d);
}

void decode_point10_v2(Point10Decoder &p, RangeDecoder &r, unsigned char *out) {
    Point10 &last = p.last;
    // Which of the fields other than the coordinates changed: bit 5 the
    // return byte, 4 intensity, 3 class, 2 scan angle, 1 user data, 0 source.
    const std::uint32_t changed = decode_symbol(r, p.changed);
    if (changed & 32) last.returns = decode_byte_model(r, p.returns, last.returns);
    const unsigned number = last.returns & 7u, count = (last.returns >> 3) & 7u;
    const unsigned kind = kReturnContext[count][number];
    const unsigned level = static_cast<unsigned>(std::abs(static_cast<int>(count) - static_cast<int>(number)));
    if (changed & 16) {
        last.intensity = static_cast<std::uint16_t>(
            decode_integer(r, p.intensity, p.last_intensity[kind], kind < 3 ? kind : 3));
        p.last_intensity[kind] = last.intensity;
    } else if (changed) {
        last.intensity = p.last_intensity[kind];
    }
    if (changed & 8) last.classification = decode_byte_model(r, p.classification, last.classification);
    if (changed & 4) {
        const std::uint32_t step = decode_symbol(r, p.scan_angle[(last.returns >> 6) & 1u]);
        last.scan_angle = static_cast<std::uint8_t>(step + last.scan_angle);
    }
    if (changed & 2) last.user_data = decode_byte_model(r, p.user_data, last.user_data);
    if (changed & 1)
        last.point_source = static_cast<std::uint16_t>(decode_integer(r, p.point_source, last.point_source, 0));

    const std::uint32_t single = count == 1;
    std::int32_t diff = decode_integer(r, p.dx, median_of(p.x_diffs[kind]), single);
    last.x = wrapping_add(last.x, diff);
    add_to_median(p.x_diffs[kind], diff);
    std::uint32_t k = p.dx.k;
    diff = decode_integer(r, p.dy, median_of(p.y_diffs[kind]), single + (k < 20 ? k & ~1u : 20));
    last.y = wrapping_add(last.y, diff);
    add_to_median(p.y_diffs[kind], diff);
    k = (p.dx.k + p.dy.k) / 2;
    last.z = decode_integer(r, p.z, p.last_height[level], single + (k < 18 ? k & ~1u : 18));
    p.last_height[level] = last.z;
    write_point10(last, out);
}

}  // namespace pointsieve::laz
