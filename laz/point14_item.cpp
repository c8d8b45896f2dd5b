// POINT14, the 30 bytes every record of point formats 6 to 10 begins with,
// in its nine layers. The first says which fields changed, predicted by
// the kind of the last return and whether its time changed; then the
// scanner channel, the return number and count, and x and y (medians of
// the last differences by kind of return). z is predicted by the return's
// depth in its pulse, the intensity by its kind; the classification, the
// flags and the user data each by their last value; the scan angle, the
// point source and the time only where the first layer says they changed.
#include <algorithm>
#include <cstdlib>
#include <initializer_list>

#include "laz_endian.hpp"
#include "layered_items.hpp"

namespace pointsieve::laz {

namespace {

// The context of x and y for a return number r (columns) among n returns
// (rows): 0 to 2 single, first and second of two, then 3 to 5 for the
// rest; the pairs no well-formed pulse has spread over the same six.
constexpr std::uint8_t kReturnMap[16][16] = {
    {0, 1, 2, 3, 4, 5, 3, 4, 4, 5, 5, 5, 5, 5, 5, 5}, {1, 0, 1, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3},
    {2, 1, 2, 4, 4, 4, 4, 4, 4, 4, 4, 3, 3, 3, 3, 3}, {3, 3, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
    {4, 3, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4}, {5, 3, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4},
    {3, 3, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4, 4}, {4, 3, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4, 4},
    {4, 3, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4, 4}, {5, 3, 4, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4, 4},
    {5, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 4, 4, 4, 4, 4}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 4, 4, 4},
    {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 4, 4}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5, 4},
    {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5, 5}, {5, 3, 3, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 4, 5, 5},
};

// The bits of the first layer's symbol: which fields changed.
constexpr std::uint32_t kChannelChanged = 64, kSourceChanged = 32, kTimeChanged = 16, kAngleChanged = 8,
                        kCountChanged = 4, kNumberChange = 3;

Point14 read_point14(const unsigned char *p) {
    Point14 q;
    q.x = load_le<std::int32_t>(p);
    q.y = load_le<std::int32_t>(p + 4);
    q.z = load_le<std::int32_t>(p + 8);
    q.intensity = load_le<std::uint16_t>(p + 12);
    q.return_number = p[14] & 15u;
    q.number_of_returns = p[14] >> 4;
    q.flags = static_cast<std::uint8_t>((p[15] & 15u) | (p[15] >> 2 & 0x30u));
    q.channel = (p[15] >> 4) & 3u;
    q.classification = p[16];
    q.user_data = p[17];
    q.scan_angle = load_le<std::int16_t>(p + 18);
    q.point_source = load_le<std::uint16_t>(p + 20);
    q.gps_time = load_le<std::uint64_t>(p + 22);
    return q;
}

void write_point14(const Point14 &q, unsigned char *out) {
    store_le(out, q.x);
    store_le(out + 4, q.y);
    store_le(out + 8, q.z);
    store_le(out + 12, q.intensity);
    out[14] = static_cast<unsigned char>(q.return_number | q.number_of_returns << 4);
    out[15] = static_cast<unsigned char>((q.flags & 15u) | q.channel << 4 | (q.flags & 0x30u) << 2);
    out[16] = q.classification;
    out[17] = q.user_data;
    store_le(out + 18, q.scan_angle);
    store_le(out + 20, q.point_source);
    store_le(out + 22, q.gps_time);
}

// A channel's first use in a chunk: its models reset, its predictions
// from `from`, the last record of the channel before (or the first).
void start_channel(Point14Decoder &p, unsigned channel, const Point14 &from) {
    Point14Channel &c = p.channels[channel];
    c.last = from;
    c.last.gps_time_changed = false;
    c.last_intensity.fill(from.intensity);
    c.last_z.fill(from.z);
    for (Median5 &m : c.x_diffs) start_median(m);
    for (Median5 &m : c.y_diffs) start_median(m);
    for (SymbolModel &m : c.changed) reset_symbol_model(m, 128);
    reset_symbol_model(c.channel_step, 3);
    reset_symbol_model(c.return_step, 13);
    for (LazyModels *m : {&c.number_of_returns, &c.return_number, &c.classification, &c.flags, &c.user_data})
        std::fill(m->ready.begin(), m->ready.end(), 0);
    for (IntegerDecoder *d : {&c.dx, &c.dy, &c.z, &c.intensity, &c.scan_angle, &c.point_source})
        reset_integer_decoder(*d);
    start_gpstime_at(c.gps, from.gps_time);
    p.used[channel] = true;
}

}  // namespace

void setup_lazy_models(LazyModels &m, std::size_t count, std::uint32_t symbols) {
    m.models.resize(count);
    m.ready.assign(count, 0);
    m.symbols = symbols;
}

void setup_point14(Point14Decoder &p) {
    for (Point14Channel &c : p.channels) {
        setup_lazy_models(c.number_of_returns, 16, 16);
        setup_lazy_models(c.return_number, 16, 16);
        setup_lazy_models(c.classification, 64, 256);
        setup_lazy_models(c.flags, 64, 64);
        setup_lazy_models(c.user_data, 64, 256);
        setup_integer_decoder(c.dx, 32, 2);
        setup_integer_decoder(c.dy, 32, 22);
        setup_integer_decoder(c.z, 32, 20);
        setup_integer_decoder(c.intensity, 16, 4);
        setup_integer_decoder(c.scan_angle, 16, 2);
        setup_integer_decoder(c.point_source, 16, 1);
        setup_gpstime(c.gps, 3);
    }
}

void start_point14(Point14Decoder &p, const unsigned char *first) {
    const Point14 q = read_point14(first);
    p.used.fill(false);
    p.current = q.channel;
    start_channel(p, q.channel, q);
}

unsigned decode_point14(Point14Decoder &p, Layer *layers, unsigned char *out) {
    RangeDecoder &r = layers[kReturnsXyLayer].range;
    Point14Channel *c = &p.channels[p.current];
    // The context: the last record a first return (1), a last one (2), its
    // time changed (4).
    const unsigned before = (c->last.return_number == 1 ? 1u : 0u) +
                            (c->last.return_number >= c->last.number_of_returns ? 2u : 0u) +
                            (c->last.gps_time_changed ? 4u : 0u);
    const std::uint32_t changed = decode_symbol(r, c->changed[before]);
    if (changed & kChannelChanged) {
        const unsigned channel = (p.current + decode_symbol(r, c->channel_step) + 1) & 3u;
        if (!p.used[channel]) start_channel(p, channel, Point14(c->last));
        p.current = channel;
        c = &p.channels[channel];
        c->last.channel = static_cast<std::uint8_t>(channel);
    }
    Point14 &last = c->last;
    last.gps_time_changed = changed & kTimeChanged;
    if (changed & kCountChanged)
        last.number_of_returns =
            static_cast<std::uint8_t>(decode_lazy(r, c->number_of_returns, last.number_of_returns));
    switch (changed & kNumberChange) {
    case 0: break;
    case 1: last.return_number = (last.return_number + 1) & 15u; break;
    case 2: last.return_number = (last.return_number + 15) & 15u; break;
    default:
        // A jump of more than one: the number itself where the time changed
        // (a new pulse), else the step beyond one.
        if (changed & kTimeChanged)
            last.return_number = static_cast<std::uint8_t>(decode_lazy(r, c->return_number, last.return_number));
        else
            last.return_number = (last.return_number + decode_symbol(r, c->return_step) + 2) & 15u;
    }
    const unsigned n = last.number_of_returns, number = last.return_number;
    const unsigned time = last.gps_time_changed ? 1u : 0u;
    const unsigned kind = (number == 1 ? 2u : 0u) + (number >= n ? 1u : 0u);  // first 2, last 1
    const unsigned depth =
        std::min(static_cast<unsigned>(std::abs(static_cast<int>(n) - static_cast<int>(number))), 7u);
    const std::uint32_t single = n == 1;
    const unsigned pair = kReturnMap[n][number] * 2u + time;

    std::int32_t diff = decode_integer(r, c->dx, median_of(c->x_diffs[pair]), single);
    last.x = wrapping_add(last.x, diff);
    add_to_median(c->x_diffs[pair], diff);
    std::uint32_t k = c->dx.k;
    diff = decode_integer(r, c->dy, median_of(c->y_diffs[pair]), single + (k < 20 ? k & ~1u : 20));
    last.y = wrapping_add(last.y, diff);
    add_to_median(c->y_diffs[pair], diff);

    if (layers[kZLayer].present) {
        k = (c->dx.k + c->dy.k) / 2;
        last.z = decode_integer(layers[kZLayer].range, c->z, c->last_z[depth], single + (k < 18 ? k & ~1u : 18));
        c->last_z[depth] = last.z;
    }
    if (layers[kClassificationLayer].present) {
        const std::uint32_t context = (last.classification & 0x1Fu) * 2u + (kind == 3 ? 1u : 0u);
        last.classification =
            static_cast<std::uint8_t>(decode_lazy(layers[kClassificationLayer].range, c->classification, context));
    }
    if (layers[kFlagsLayer].present)
        last.flags = static_cast<std::uint8_t>(decode_lazy(layers[kFlagsLayer].range, c->flags, last.flags));
    if (layers[kIntensityLayer].present) {
        std::uint16_t &predicted = c->last_intensity[kind * 2u + time];
        predicted = static_cast<std::uint16_t>(
            decode_integer(layers[kIntensityLayer].range, c->intensity, predicted, kind));
        last.intensity = predicted;
    }
    if ((changed & kAngleChanged) && layers[kScanAngleLayer].present)
        last.scan_angle = static_cast<std::int16_t>(
            decode_integer(layers[kScanAngleLayer].range, c->scan_angle, last.scan_angle, time));
    if (layers[kUserDataLayer].present)
        last.user_data = static_cast<std::uint8_t>(
            decode_lazy(layers[kUserDataLayer].range, c->user_data, last.user_data / 4u));
    if ((changed & kSourceChanged) && layers[kPointSourceLayer].present)
        last.point_source = static_cast<std::uint16_t>(
            decode_integer(layers[kPointSourceLayer].range, c->point_source, last.point_source, 0));
    if (time && layers[kGpsTimeLayer].present) last.gps_time = decode_gpstime_step(c->gps, layers[kGpsTimeLayer].range);
    write_point14(last, out);
    return changed & kChannelChanged ? p.current : 0;
}

}  // namespace pointsieve::laz
