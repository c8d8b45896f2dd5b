// The generated delivery's terrain and its clean tiles.
#include "delivery_terrain.hpp"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>

#include "las14_writer.hpp"

namespace qa_delivery {

using namespace testing_support;

namespace {

constexpr double kScale = 0.01, kX0 = 500000.0, kY0 = 4000000.0, kCell = 100.0;

// One smooth surface under the whole delivery, and each tile's terrain on
// it, faded out near the tile's sides so that neighbours meet there.
double ground(Terrain t, double x, double y) {
    const double base = 60.0 + 4.0 * std::sin(x / 61.0) + 3.0 * std::cos(y / 47.0);
    const double fx = std::fmod(x - kX0, kCell), fy = std::fmod(y - kY0, kCell);
    const double fade = std::clamp((std::min({fx, kCell - fx, fy, kCell - fy}) - 4.0) / 8.0, 0.0, 1.0);
    double detail = 0.0;
    switch (t) {
    case Terrain::Flat: detail = 0.03 * fx; break;
    case Terrain::Hills: detail = 14.0 * std::sin(x / 23.0) + 11.0 * std::cos(y / 17.0); break;
    case Terrain::Forest: detail = 6.0 * std::sin((x + y) / 31.0); break;
    case Terrain::Town: detail = 0.08 * fx; break;
    case Terrain::Coast: detail = fx < 45.0 ? -3.0 : 0.3 * (fx - 45.0) - 3.0; break;
    }
    return base + fade * detail;
}

}  // namespace

// The header's box from the points themselves.
void fit_header(LasRecipe &r) {
    if (r.points.empty()) return;
    int32_t lo[3] = {INT32_MAX, INT32_MAX, INT32_MAX}, hi[3] = {INT32_MIN, INT32_MIN, INT32_MIN};
    for (const Point &p : r.points) {
        const int32_t v[3] = {p.X, p.Y, p.Z};
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
    }
    r.MinX = r.XOffset + lo[0] * kScale, r.MaxX = r.XOffset + hi[0] * kScale;
    r.MinY = r.YOffset + lo[1] * kScale, r.MaxY = r.YOffset + hi[1] * kScale;
    r.MinZ = r.ZOffset + lo[2] * kScale, r.MaxZ = r.ZOffset + hi[2] * kScale;
}

// A clean tile of about `count` points in grid cell (col, row), pulses of
// one to four returns as the terrain gives, GPS week seconds near 300,000.
LasRecipe terrain_tile(unsigned seed, uint8_t minor, uint8_t format, Terrain t, double col, double row, int count,
                       int unclassified_percent) {
    std::mt19937 rng(seed);
    const auto unit = [&] { return rng() / 4294967296.0; };
    LasRecipe r;
    r.minor = minor, r.format = format;
    // Every tile in one coordinate system: UTM zone 10N in metres.
    r.between = vlr_image(geotiff_vlr(26910, 9001));
    r.vlr_count = 1;
    r.XScale = r.YScale = r.ZScale = kScale;
    r.XOffset = kX0, r.YOffset = kY0;
    const double x0 = kX0 + col * kCell, y0 = kY0 + row * kCell;
    const double t0 = 300000.0 + 41.0 * seed;
    for (int pulse = 0; static_cast<int>(r.points.size()) < count; ++pulse) {
        const double x = x0 + 0.5 + 99.0 * unit(), y = y0 + 0.5 + 99.0 * unit();
        const double z0 = ground(t, x, y);
        const bool roof = t == Terrain::Town && std::fmod(x, 30.0) < 16.0 && std::fmod(y, 30.0) < 14.0;
        int returns = 1;
        if (t == Terrain::Forest) returns = 1 + static_cast<int>(rng() % 4);
        if (t == Terrain::Hills || t == Terrain::Town) returns = rng() % 6 == 0 ? 2 : 1;
        for (int k = 1; k <= returns; ++k) {
            Point p;
            double z = z0;
            uint8_t cls = 2;
            if (k < returns) {  // through vegetation
                const double h = (returns - k) * (3.0 + 6.0 * unit());
                z = z0 + h;
                cls = h < 2.0 ? 3 : h < 5.0 ? 4 : 5;
            } else if (roof) {
                z = z0 + 12.0 + 0.5 * unit(), cls = 6;
            } else if (t == Terrain::Coast && std::fmod(x, kCell) < 45.0) {
                cls = 9;
            }
            if (static_cast<int>(rng() % 100) < unclassified_percent) cls = 1;
            p.X = static_cast<int32_t>(std::lround((x - kX0) / kScale));
            p.Y = static_cast<int32_t>(std::lround((y - kY0) / kScale));
            p.Z = static_cast<int32_t>(std::lround(z / kScale));
            p.bitfield = static_cast<uint8_t>(k | returns << 3);
            p.Classification = cls;
            p.Intensity = static_cast<uint16_t>(cls * 150 + rng() % 400);
            p.ScanAngleRank = static_cast<uint8_t>(static_cast<int>(rng() % 31) - 15);
            p.PointSourceID = static_cast<uint16_t>(1 + seed % 3);
            p.GPSTime = t0 + pulse * 0.0005;
            p.Red = static_cast<uint16_t>(rng() % 65536), p.Green = static_cast<uint16_t>(cls * 4000);
            p.Blue = static_cast<uint16_t>(rng() % 256);
            r.points.push_back(p);
        }
    }
    fit_header(r);
    return r;
}

}  // namespace qa_delivery
