// Writes the benchmark's inputs with the library's own routines: a header
// from initialize_header12, points with varied attributes, and update_header
// to make the header agree with them.
//
//   make_inputs FILE FORMAT POINTS [SEED]
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Korvane_LiDAR.h"
#include "file_util.hpp"
#include "las_image.hpp"

namespace {

// A small fast generator; the values only need to vary.
struct Rng {
    std::uint64_t s;
    std::uint32_t next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return static_cast<std::uint32_t>(s >> 11);
    }
};

}  // namespace

int main(int argc, char **argv) {
    if (argc < 4) {
        std::printf("usage: make_inputs FILE FORMAT POINTS [SEED]\n");
        return 2;
    }
    const std::string name = argv[1];
    const int format = std::atoi(argv[2]);
    const unsigned long long points = std::strtoull(argv[3], nullptr, 10);
    Rng rng{argc > 4 ? std::strtoull(argv[4], nullptr, 10) * 2654435761ULL + 1 : 88172645463325252ULL};
    if (format < 0 || format > 3) return 2;
    static const std::size_t kSize[4] = {sizeof(LAS12fm0), sizeof(LAS12fm1), sizeof(LAS12fm2), sizeof(LAS12fm3)};
    const std::size_t rec = kSize[format];

    LAS12Header h;
    std::memset(&h, 0, sizeof h);
    initialize_header12(&h);
    h.PointDataFormatID = static_cast<std::uint8_t>(format);
    h.PointDataRecordLength = static_cast<std::uint16_t>(rec);
    h.XScaleFactor = h.YScaleFactor = h.ZScaleFactor = 0.01;
    h.XOffset = 500000.0;
    h.YOffset = 4000000.0;

    korvane::FilePtr f = korvane::open_file(name.c_str(), "wb");
    if (!f) {
        std::printf("cannot create %s\n", name.c_str());
        return 1;
    }
    unsigned char hb[korvane::kHeaderBytes];
    korvane::encode_header(h, hb);
    std::fwrite(hb, 1, sizeof hb, f.get());

    using korvane::store_le;
    using L = korvane::PointLayout<LAS12fm0>;
    std::vector<unsigned char> block(korvane::block_bytes_for(rec));
    const std::size_t per_block = block.size() / rec;
    double gps = 300000.0;
    for (unsigned long long done = 0; done < points;) {
        const std::size_t n = static_cast<std::size_t>(std::min<unsigned long long>(per_block, points - done));
        for (std::size_t k = 0; k < n; ++k) {
            unsigned char *p = block.data() + k * rec;
            const std::uint32_t r1 = rng.next(), r2 = rng.next(), r3 = rng.next();
            store_le<std::int32_t>(p + L::x, static_cast<std::int32_t>(r1 % 100000000));
            store_le<std::int32_t>(p + L::y, static_cast<std::int32_t>(r2 % 100000000));
            store_le<std::int32_t>(p + L::z, static_cast<std::int32_t>(r3 % 200000) - 10000);
            store_le<std::uint16_t>(p + L::intensity, static_cast<std::uint16_t>((r1 >> 8) % 4096));
            const unsigned returns = 1 + (r2 >> 28) % 5;
            const unsigned number = 1 + (r3 >> 27) % returns;
            p[L::bitfield] = static_cast<unsigned char>(number | (returns << 3));
            p[L::classification] = static_cast<unsigned char>(1 + (r1 >> 24) % 12);
            p[L::scan_angle_rank] = static_cast<unsigned char>(static_cast<std::int8_t>(static_cast<int>((r2 >> 8) % 61) - 30));
            p[L::user_data] = static_cast<unsigned char>((r3 >> 8) % 8);
            store_le<std::uint16_t>(p + L::point_source_id, static_cast<std::uint16_t>(7000 + (r1 >> 16) % 400));
            gps += 0.00001 * ((r3 >> 12) % 100);
            if (format == 1) store_le<double>(p + offsetof(LAS12fm1, GPSTime), gps);
            if (format == 3) store_le<double>(p + offsetof(LAS12fm3, GPSTime), gps);
            if (format == 2 || format == 3) {
                const std::size_t rgb = format == 2 ? offsetof(LAS12fm2, Red) : offsetof(LAS12fm3, Red);
                store_le<std::uint16_t>(p + rgb, static_cast<std::uint16_t>(r1));
                store_le<std::uint16_t>(p + rgb + 2, static_cast<std::uint16_t>(r2));
                store_le<std::uint16_t>(p + rgb + 4, static_cast<std::uint16_t>(r3));
            }
        }
        std::fwrite(block.data(), rec, n, f.get());
        done += n;
    }
    if (std::fclose(f.release()) != 0) {
        std::printf("cannot write %s\n", name.c_str());
        return 1;
    }
    update_header(name.c_str());
    std::printf("\n");
    return 0;
}
