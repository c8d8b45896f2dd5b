// Writes a small LAS 1.2 tile of format 3 points (GPS time and colour) with
// the Korvane_LiDAR library, repairs its header with update_header,
// validates it with check_las and ranks its points by intensity with
// l_quicksort.
//
// Usage: write_tile_cpp OUTPUT.las
#include <Korvane_LiDAR.h>

#include <array>
#include <bit>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <numeric>
#include <string>
#include <vector>

// LAS files are little-endian and the records are written as they lie in
// memory.
static_assert(std::endian::native == std::endian::little, "this example needs a little-endian host");

namespace {

LAS12fm3 make_point(int32_t x, int32_t y, int32_t z, uint16_t intensity, double gps_time) {
    LAS12fm3 p{};
    p.X = x;
    p.Y = y;
    p.Z = z;
    p.Intensity = intensity;
    p.bitfield = 1 | 1 << 3;  // first of one return
    p.Classification = 1;
    p.GPSTime = gps_time;
    p.Red = p.Green = p.Blue = 32768;
    return p;
}

bool read_header(const std::string &path, LAS12Header &h) {
    std::ifstream in(path, std::ios::binary);
    return static_cast<bool>(in.read(reinterpret_cast<char *>(&h), sizeof h));
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::cerr << "usage: " << argv[0] << " OUTPUT.las\n";
        return 2;
    }
    const std::string path = argv[1];

    LAS12Header header{};  // value-initialised: every byte defined
    initialize_header12(&header);
    header.PointDataFormatID = 3;
    header.PointDataRecordLength = sizeof(LAS12fm3);
    header.XScaleFactor = header.YScaleFactor = header.ZScaleFactor = 0.001;

    const std::array points{
        make_point(250000, 100000, 5000, 300, 5000.25),
        make_point(251500, 101000, 5200, 120, 5001.25),
        make_point(249000, 99500, 4900, 900, 5002.25),
        make_point(250750, 100250, 5100, 450, 5003.25),
    };
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(&header), sizeof header);
        out.write(reinterpret_cast<const char *>(points.data()), points.size() * sizeof(LAS12fm3));
        out.close();
        if (!out) {
            std::cerr << "cannot write " << path << '\n';
            return 1;
        }
    }
    std::cout << "Wrote " << points.size() << " points to " << path << '\n';

    // Ends the process with status 255 if the file cannot be repaired. The
    // library prints through C stdio, with which std::cout keeps in step; its
    // confirmation line ends without a newline.
    update_header(path.c_str());
    std::cout << '\n';

    const int16_t type = check_las(path.c_str());
    if (type != 8) {
        std::cout << "Unexpected LAS type " << type << '\n';
        return 1;
    }
    std::cout << "LAS type " << type << " (version 1.2, format 3)\n";

    if (!read_header(path, header)) {
        std::cerr << "cannot read " << path << '\n';
        return 1;
    }
    std::printf("Points %u, first returns %u\n", static_cast<unsigned>(header.NumberOfPointReturns),
                static_cast<unsigned>(header.NumberOfPointsByReturn[0]));
    std::printf("X %.3f to %.3f\n", header.MinX, header.MaxX);
    std::printf("Y %.3f to %.3f\n", header.MinY, header.MaxY);
    std::printf("Z %.3f to %.3f\n", header.MinZ, header.MaxZ);

    // Rank the points by intensity: the keys are sorted in place and the
    // index array follows every exchange.
    std::vector<int32_t> keys;
    for (const LAS12fm3 &p : points) keys.push_back(p.Intensity);
    std::vector<int32_t> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    l_quicksort(keys.data(), static_cast<int32_t>(keys.size()), order.data());
    std::printf("Points from dimmest to brightest:");
    for (const int32_t k : order) std::printf(" %d", static_cast<int>(k));
    std::printf("\n");
    return 0;
}
