// Rewrites a LAS 1.2 file of point format 1 as LAS 1.4 point format 6 with
// the same points, so that the audit's two readers can be timed on equal
// data: coordinates, intensity, returns, class, scan angle (as the 16-bit
// angle of the same degrees), user data, point source and GPS time.
//
//   las14_from_las12 IN.las OUT.las
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "las_header.hpp"

namespace {

template <class T>
void put(unsigned char *p, T v) {
    std::memcpy(p, &v, sizeof v);  // the benchmark runs on little-endian hosts
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::printf("usage: las14_from_las12 IN.las OUT.las\n");
        return 2;
    }
    std::FILE *in = std::fopen(argv[1], "rb");
    std::FILE *out = std::fopen(argv[2], "wb");
    if (!in || !out) return 1;
    unsigned char h[375] = {};
    if (std::fread(h, 1, 227, in) != 227) return 1;
    const pointsieve::formats::HeaderReading r = pointsieve::formats::read_las_header(h, 227);
    if (r.problem != pointsieve::formats::HeaderProblem::None || r.format != 1) return 1;
    const std::uint64_t n = pointsieve::formats::declared_records(r.header);
    h[25] = 4;                          // version 1.4
    put<std::uint16_t>(h + 6, 1 | 16);  // standard GPS time, WKT
    put<std::uint16_t>(h + 94, 375);
    put<std::uint32_t>(h + 96, 375);
    put<std::uint32_t>(h + 100, 0);
    h[104] = 6;
    put<std::uint16_t>(h + 105, 30);
    put<std::uint32_t>(h + 107, 0);
    std::memset(h + 111, 0, 20);
    put<std::uint64_t>(h + 247, n);
    for (int k = 0; k < 5; ++k) put<std::uint64_t>(h + 255 + 8 * k, r.header.LegacyNumberOfPointsByReturn[k]);
    std::fwrite(h, 1, 375, out);
    std::fseek(in, static_cast<long>(r.header.OffsetToPointData), SEEK_SET);
    std::vector<unsigned char> a(28 * 65536), b(30 * 65536);
    for (std::uint64_t done = 0; done < n;) {
        const std::size_t got = std::fread(a.data(), 28, 65536, in);
        if (got == 0) return 1;
        for (std::size_t k = 0; k < got; ++k) {
            const unsigned char *p = &a[28 * k];
            unsigned char *q = &b[30 * k];
            std::memcpy(q, p, 14);  // X, Y, Z, intensity
            q[14] = static_cast<unsigned char>((p[14] & 7) | ((p[14] >> 3) & 7) << 4);
            q[15] = static_cast<unsigned char>((p[15] & 0x80) ? 4 : 0);  // withheld
            q[16] = p[15] & 31;
            q[17] = p[17];
            put<std::int16_t>(q + 18, static_cast<std::int16_t>(static_cast<std::int8_t>(p[16]) * 1000 / 6));
            std::memcpy(q + 20, p + 18, 2);
            std::memcpy(q + 22, p + 20, 8);
        }
        std::fwrite(b.data(), 30, got, out);
        done += got;
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
