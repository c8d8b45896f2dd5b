// The parts of the audit a generated delivery cannot reach: the grid that
// finds each tile's nearest and most overlapping neighbour, against a
// search of every pair, the slices of --shard for any N, and the figures of
// a tile too large to keep every position of.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>

#include "delivery_figures.hpp"
#include "inputs.hpp"
#include "point_scan.hpp"
#include "report_map_frame.hpp"

namespace {

using namespace pointsieve::qa;

// Random boxes of varied sizes, a few far wider than the rest (they span
// many cells of the grid) and a few far from the others.
std::vector<Facts> random_tiles(std::mt19937_64 &rng) {
    std::vector<Facts> tiles(2 + rng() % 60);
    const double spread = rng() % 3 == 0 ? 1e5 : 3000;
    auto uniform = [&](double lo, double hi) { return std::uniform_real_distribution<>(lo, hi)(rng); };
    for (Facts &t : tiles) {
        t.status = Status::Ok, t.read = t.has_points = true, t.records = 10, t.digest = rng();
        t.x_min = uniform(0, spread), t.y_min = uniform(0, spread);
        t.x_max = t.x_min + (rng() % 10 == 0 ? uniform(100, 90000) : uniform(50, 1000));
        t.y_max = t.y_min + uniform(50, 1000);
    }
    return tiles;
}

TEST(AuditUnits, PositionFiguresEqualASearchOfEveryPair) {
    std::mt19937_64 rng(7);
    for (int round = 0; round < 300; ++round) {
        const std::vector<Facts> tiles = random_tiles(rng);
        FactsTable table;
        for (const Facts &t : tiles) add_facts(table, t);
        const Delivery d = judge_delivery(table);
        for (std::size_t a = 0; a < tiles.size(); ++a) {
            const Facts &ta = tiles[a];
            double gap = INFINITY, overlap = 0;
            for (std::size_t b = 0; b < tiles.size(); ++b) {
                if (b == a) continue;
                const Facts &tb = tiles[b];
                const double dx = std::max({0.0, tb.x_min - ta.x_max, ta.x_min - tb.x_max});
                const double dy = std::max({0.0, tb.y_min - ta.y_max, ta.y_min - tb.y_max});
                gap = std::min(gap, std::hypot(dx, dy));
                const double w = std::min(ta.x_max, tb.x_max) - std::max(ta.x_min, tb.x_min);
                const double h = std::min(ta.y_max, tb.y_max) - std::max(ta.y_min, tb.y_min);
                if (w > 0 && h > 0) overlap = std::max(overlap, w * h / ((ta.x_max - ta.x_min) * (ta.y_max - ta.y_min)));
            }
            ASSERT_NEAR(d.gap[a], gap / d.median_size, 1e-9) << "round " << round << ", tile " << a;
            ASSERT_NEAR(d.overlap[a], overlap * 100, 1e-9) << "round " << round << ", tile " << a;
        }
    }
}

TEST(AuditUnits, ShardsAreConsecutiveNearEqualSlices) {
    const std::uint64_t counts[] = {0, 1, 7, 300, 100000};
    const std::uint64_t shards[] = {1, 3, 7, 1000, UINT64_MAX / 2 + 3, UINT64_MAX};
    for (const std::uint64_t count : counts) {
        for (const std::uint64_t n : shards) {
            std::uint64_t expected_begin = 0, smallest = UINT64_MAX, largest = 0;
            // Every slice for a few shards; the first, middle and last for huge N.
            const std::uint64_t ks[] = {1, 2, n / 2, n - 1, n};
            for (const std::uint64_t k : ks) {
                if (k < 1 || k > n) continue;
                std::uint64_t begin = 0, end = 0;
                shard_slice(count, k, n, begin, end);
                ASSERT_LE(begin, end);
                ASSERT_LE(end, count);
                if (k == 1) {
                    ASSERT_EQ(begin, 0u);
                }
                if (k == n) {
                    ASSERT_EQ(end, count);
                }
                smallest = std::min(smallest, end - begin), largest = std::max(largest, end - begin);
            }
            EXPECT_LE(largest - smallest, 1u) << count << " tiles in " << n << " shards";
            for (std::uint64_t k = 1; n <= 1000 && k <= n; ++k) {
                std::uint64_t begin = 0, end = 0;
                shard_slice(count, k, n, begin, end);
                ASSERT_EQ(begin, expected_begin) << "slice " << k << " of " << n;
                expected_begin = end;
            }
            if (n <= 1000) {
                EXPECT_EQ(expected_begin, count);
            }
        }
    }
}

}  // namespace

// Repeated positions and the attributes of a tile too large for them to be
// kept whole: a small tile's are exact, a large one's estimated from an even
// sample, its copies sampled with their originals; its largest scan angle
// found among every seventh point, in blocks of any size; its points by
// flight line exact, or shared out from the points visited, adding up.
TEST(AuditUnits, RepeatedPointsAndAttributesOfLargeTiles) {
    constexpr std::size_t kLength = 28;  // point format 1
    for (const std::size_t unique : {std::size_t{1000}, std::size_t{150000}}) {
        for (const std::size_t copies : {std::size_t{0}, unique / 5, unique}) {
            std::vector<unsigned char> records((unique + copies) * kLength, 0);
            std::mt19937 rng(static_cast<unsigned>(unique + copies));
            std::uint64_t zero = 0;
            std::array<std::uint64_t, 4> by_source{};
            for (std::size_t k = 0; k < unique + copies; ++k) {
                unsigned char *r = records.data() + k * kLength;
                if (k >= unique) {  // a copy of an earlier point
                    std::copy_n(records.data() + rng() % unique * kLength, kLength, r);
                    zero += r[18] == 0;
                    continue;
                }
                const std::uint32_t xyz[3] = {static_cast<std::uint32_t>(k * 7919 % 100003), static_cast<std::uint32_t>(k),
                                              static_cast<std::uint32_t>(rng() % 5000)};
                std::memcpy(r, xyz, sizeof xyz);
                r[16] = static_cast<unsigned char>(static_cast<int>(k % 91) - 45);  // -45 to 45 degrees
                r[18] = static_cast<unsigned char>(rng() % 4);                     // point source ID 0 for a quarter
                zero += r[18] == 0;
            }
            const std::uint64_t n = unique + copies;
            for (std::size_t k = 0; k < n; ++k) ++by_source[records[k * kLength + 18]];
            pointsieve::formats::LasHeader h{};
            h.XScaleFactor = h.YScaleFactor = h.ZScaleFactor = 1;
            h.MaxX = 100002, h.MaxY = static_cast<double>(unique);
            LineTable lines;  // a tile given up leaves nothing behind
            start_line_scan(lines, h, n, 1);
            fold_line_point(lines, 1, 1, 1, 0, 9, true);
            PointScan s;
            start_point_scan(s, n);
            s.lines = &lines;
            start_line_scan(lines, h, n, s.line_step);
            pointsieve::Accumulator acc;
            pointsieve::allocate_histograms(acc);
            for (std::size_t at = 0, block = 777; at < n; at += block, block = block * 3 % 5003 + 1)
                scan_block(1, kLength, false, records.data() + at * kLength, std::min<std::size_t>(block, n - at), acc, s);
            SCOPED_TRACE(std::to_string(unique) + " points and " + std::to_string(copies) + " copies");
            const double repeated = static_cast<double>(repeated_points(s, n));
            if (n <= kSampledPoints) {
                EXPECT_EQ(repeated, static_cast<double>(copies));
            } else {
                EXPECT_NEAR(repeated / static_cast<double>(n), static_cast<double>(copies) / static_cast<double>(n), 0.02);
            }
            EXPECT_EQ(s.angle_max, 45);
            const double share = static_cast<double>(zero) / static_cast<double>(n);
            if (n <= kSampledPoints) {
                EXPECT_EQ(s.source_zero, zero);
            } else {
                EXPECT_NEAR(static_cast<double>(s.source_zero) / static_cast<double>(s.attribute_points), share, 0.02);
            }
            const TileLines found = finish_line_scan(lines, h, n, nullptr);
            ASSERT_EQ(found.lines.size(), 4u);
            std::uint64_t total = 0;
            for (const TileLine &l : found.lines) {
                total += l.points;
                if (n <= kSampledPoints) {
                    EXPECT_EQ(l.points, by_source[l.source]);
                } else {
                    EXPECT_NEAR(static_cast<double>(l.points), static_cast<double>(by_source[l.source]),
                                0.05 * static_cast<double>(n));
                }
            }
            EXPECT_EQ(total, n);
        }
    }
}

// The map's main panel: five 100 m tiles, not the dozen one-point tiles
// (and one a hair wide) that share a place far off, which once gave it a
// scale of 2e-10 units.
TEST(AuditUnits, MapPanelHoldsTheTilesItCanShow) {
    std::vector<Box> boxes;
    for (int k = 0; k < 5; ++k) boxes.push_back({100.0 * k, 100.0 * k + 99.9, 0, 99.9});
    for (int k = 0; k < 12; ++k) boxes.push_back({1e6, 1e6, 1e6, 1e6});
    boxes.push_back({1e6, 1e6 + 2e-10, 1e6, 1e6 + 2e-10});
    const std::vector<bool> far = report::far_tiles(boxes);
    for (std::size_t k = 0; k < boxes.size(); ++k) EXPECT_EQ(far[k], k >= 5) << k;
}
