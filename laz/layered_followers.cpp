// The items after POINT14 in a layered chunk: RGB14 and RGBNIR14 (the
// colour as RGB12 codes it, the NIR bytes as steps from the last), BYTE14
// (each extra byte a step from the last, a layer each) and WAVEPACKET14 (as
// WAVEPACKET13). Each follows the scanner channel POINT14 decoded for the
// record; an empty layer leaves its field as the last record's.
#include <cstring>
#include <utility>

#include "laz_endian.hpp"
#include "layered_items.hpp"

namespace pointsieve::laz {

namespace {

void start_nir(NirDecoder &n, const unsigned char *first) {
    n.last = load_le<std::uint16_t>(first);
    reset_symbol_model(n.used, 4);
    for (SymbolModel &m : n.diff) reset_symbol_model(m, 256);
}

// Bit 0 of the first symbol: the low byte changed; bit 1: the high one.
void decode_nir(NirDecoder &n, RangeDecoder &r) {
    const std::uint32_t used = decode_symbol(r, n.used);
    std::uint32_t low = n.last & 0xFFu, high = std::uint32_t{n.last} >> 8;
    if (used & 1) low = (low + decode_symbol(r, n.diff[0])) & 0xFFu;
    if (used & 2) high = (high + decode_symbol(r, n.diff[1])) & 0xFFu;
    n.last = static_cast<std::uint16_t>(low | high << 8);
}

// The last values of another channel, for the one record that LASzip 3.4
// predicts from them (and updates them with): swapped into the record's
// channel before it, and back out after it.
template <class State>
void swap_borrowed(std::array<State, 4> &states, const ChannelUse &use) {
    if (use.values != use.models) std::swap(states[use.models].last, states[use.values].last);
}

}  // namespace

// A chunk's first record: the one channel used is its own.
void start_follow(ChannelFollow &f, unsigned channel) {
    f.used.fill(false);
    f.used[channel] = true;
    f.current = channel;
}

ChannelUse follow_channel(ChannelFollow &f, unsigned channel) {
    ChannelUse use{channel, channel, channel, false};
    if (channel == f.current) return use;
    use.from = f.current;
    if (!f.used[channel]) {
        f.used[channel] = true;
        use.start = true;
    } else if (f.version < 4) {
        use.values = f.current;
    }
    f.current = channel;
    return use;
}

void setup_color14(Color14Decoder &c, std::uint16_t version, bool nir) {
    c.follow.version = version;
    c.nir = nir;
    for (RgbDecoder &d : c.rgb) setup_rgb(d, 2);
}

void start_color14(Color14Decoder &c, const unsigned char *first, unsigned channel) {
    start_follow(c.follow, channel);
    start_rgb(c.rgb[channel], first);
    if (c.nir) start_nir(c.near_infrared[channel], first + 6);
}

void decode_color14(Color14Decoder &c, Layer *layers, unsigned channel, unsigned char *out) {
    const ChannelUse use = follow_channel(c.follow, channel);
    RgbDecoder &rgb = c.rgb[use.models];
    NirDecoder &nir = c.near_infrared[use.models];
    if (use.start) {
        unsigned char from[8];
        for (std::size_t k = 0; k < 3; ++k) store_le(from + 2 * k, c.rgb[use.from].last[k]);
        store_le(from + 6, c.near_infrared[use.from].last);
        start_rgb(rgb, from);
        if (c.nir) start_nir(nir, from + 6);
    }
    swap_borrowed(c.rgb, use);
    swap_borrowed(c.near_infrared, use);
    if (layers[0].present) {
        decode_rgb_v2(rgb, layers[0].range, out);
    } else {
        for (std::size_t k = 0; k < 3; ++k) store_le(out + 2 * k, rgb.last[k]);
    }
    if (c.nir) {
        if (layers[1].present) decode_nir(nir, layers[1].range);
        store_le(out + 6, nir.last);
    }
    swap_borrowed(c.rgb, use);
    swap_borrowed(c.near_infrared, use);
}

void setup_bytes14(Bytes14Decoder &b, std::uint16_t version, std::size_t size) {
    b.follow.version = version;
    for (BytesDecoder &d : b.channels) setup_bytes(d, 2, size);
}

void start_bytes14(Bytes14Decoder &b, const unsigned char *first, unsigned channel) {
    start_follow(b.follow, channel);
    start_bytes(b.channels[channel], first);
}

void decode_bytes14(Bytes14Decoder &b, Layer *layers, unsigned channel, unsigned char *out) {
    const ChannelUse use = follow_channel(b.follow, channel);
    BytesDecoder &d = b.channels[use.models];
    if (use.start) start_bytes(d, b.channels[use.from].last.data());
    swap_borrowed(b.channels, use);
    const std::size_t n = d.last.size();
    for (std::size_t k = 0; k < n; ++k) {
        if (!layers[k].present) continue;
        if (!d.ready[k]) {
            if (k >= d.models.size()) d.models.resize(k + 1);
            reset_symbol_model(d.models[k], 256);
            d.ready[k] = 1;
        }
        d.last[k] = static_cast<unsigned char>(d.last[k] + decode_symbol(layers[k].range, d.models[k]));
    }
    std::memcpy(out, d.last.data(), n);
    swap_borrowed(b.channels, use);
}

void setup_wavepacket14(WavePacket14Decoder &w, std::uint16_t version) {
    w.follow.version = version;
    for (WavePacketDecoder &d : w.channels) setup_wavepacket(d);
}

void start_wavepacket14(WavePacket14Decoder &w, const unsigned char *first, unsigned channel) {
    start_follow(w.follow, channel);
    start_wavepacket(w.channels[channel], first);
}

void decode_wavepacket14(WavePacket14Decoder &w, Layer *layers, unsigned channel, unsigned char *out) {
    const ChannelUse use = follow_channel(w.follow, channel);
    WavePacketDecoder &d = w.channels[use.models];
    if (use.start) start_wavepacket(d, w.channels[use.from].last.data());
    swap_borrowed(w.channels, use);
    if (layers[0].present) decode_wavepacket(d, layers[0].range, out);
    else std::memcpy(out, d.last.data(), d.last.size());
    swap_borrowed(w.channels, use);
}

}  // namespace pointsieve::laz
