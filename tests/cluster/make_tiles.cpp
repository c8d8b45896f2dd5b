// Writes the tiles of the cluster test: LAS files of three types, 0 to 60
// points each, with the list of all of them and one list per type.
//
//   cluster_make_tiles FOLDER COUNT SEED
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "test_support.hpp"

using namespace testing_support;

int main(int argc, char **argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: cluster_make_tiles FOLDER COUNT SEED\n");
        return 2;
    }
    const std::string folder = argv[1];
    const int count = std::atoi(argv[2]);
    std::mt19937 rng(static_cast<unsigned>(std::atoi(argv[3])));
    // LAS 1.0 format 0 (type 1), 1.2 format 1 (type 6), 1.2 format 3 (type 8).
    const struct {
        uint8_t minor, format;
        int type;
    } kinds[] = {{0, 0, 1}, {2, 1, 6}, {2, 3, 8}};
    std::string all, by_type[3];
    for (int k = 0; k < count; ++k) {
        const auto &kind = kinds[rng() % 3];
        LasRecipe r;
        r.minor = kind.minor;
        r.format = kind.format;
        r.MinX = 1000.0 + rng() % 100000 / 100.0, r.MaxX = r.MinX + rng() % 50000 / 100.0;
        r.MinY = -500.0 + rng() % 100000 / 100.0, r.MaxY = r.MinY + rng() % 50000 / 100.0;
        r.MinZ = -20.0 + rng() % 10000 / 100.0, r.MaxZ = r.MinZ + rng() % 10000 / 100.0;
        const int points = static_cast<int>(rng() % 61);
        for (int p = 0; p < points; ++p) {
            Point pt;
            pt.bitfield = static_cast<uint8_t>(rng() % 64);
            pt.Classification = static_cast<uint8_t>(rng() % 8 == 0 ? rng() % 256 : rng() % 7);
            pt.Intensity = static_cast<uint16_t>(rng() % 65536);
            pt.ScanAngleRank = static_cast<uint8_t>(rng() % 256);
            pt.UserData = static_cast<uint8_t>(rng() % 256);
            pt.PointSourceID = static_cast<uint16_t>(rng() % 30);
            pt.GPSTime = -1e6 + rng() % 100000000 / 16.0;
            r.points.push_back(pt);
        }
        char name[64];
        std::snprintf(name, sizeof name, "tile_%04d.las", k);
        write_las(folder + "/" + name, r);
        all += folder + "/" + name + "\n";
        by_type[&kind - kinds] += folder + "/" + name + "\n";
    }
    write_text(folder + "/tiles.txt", all);
    for (int t = 0; t < 3; ++t)
        if (!by_type[t].empty()) write_text(folder + "/type_" + std::to_string(kinds[t].type) + ".txt", by_type[t]);
    return 0;
}
