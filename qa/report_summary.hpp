// The first pass over tiles.csv: what the header block, the map, the
// verdict grid and the table need of the whole delivery.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "box.hpp"
#include "report_columns.hpp"

namespace pointsieve::qa::report {

// Beyond this many tiles the map groups the tiles that passed into cells
// and the table lists only the tiles with a finding.
inline constexpr std::size_t kGroupAbove = 20000;
// Rows of the grouped table; further tiles with findings follow by name.
inline constexpr std::size_t kTableRows = 20000;
// The table shows its first kBlockRows rows; the others sit in folded
// blocks of as many rows, and names beyond its rows in blocks of
// kBlockNames, which the browser lays out only when opened.
inline constexpr std::size_t kBlockRows = 1000, kBlockNames = 5000;

// What the first pass over tiles.csv gathers for the header block, the map
// and the verdict grid.
struct Summary {
    std::size_t tiles = 0, read_tiles = 0;
    std::vector<std::pair<std::string, std::size_t>> by_status, by_type;
    std::array<std::size_t, 4> by_worst{};  // tiles by worst verdict
    double points = 0, declared = 0;
    std::array<std::string, 6> extent_text;  // x, y, z min and max, as written
    std::array<double, 6> extent{};
    std::array<bool, 6> extent_set{};
    struct Gps {
        std::string encoding;
        double min, max;
    };
    std::vector<Gps> gps;
    std::vector<double> densities;  // tiles holding points
    double median_density = 0;
    // Points and first returns per square metre, of the tiles whose units
    // are known.
    std::vector<double> densities_m2, first_densities_m2;
    double median_density_m2 = 0, median_first_density_m2 = 0;
    std::vector<std::pair<std::string, std::size_t>> by_crs;  // read tiles by coordinate system
    bool extended_classes = false;  // some read tile is of point format 6 to 10
    // The read tiles that were compressed: their number, the bytes of their
    // files and of the point records they hold.
    std::size_t compressed_tiles = 0;
    double compressed_bytes = 0, record_bytes = 0;
    std::vector<Box> boxes;          // read tiles with a footprint, in order
    std::size_t read_without_box = 0;
    // The tiles each check warned of and failed, by row, the first few.
    struct Named {
        std::size_t row, finding;  // finding: how many tiles with findings come before
        std::string tile;
    };
    std::vector<std::array<std::vector<Named>, 2>> listed;  // [check][0 warn, 1 fail]
    std::vector<std::array<std::size_t, 2>> listed_total;
    std::size_t findings = 0;  // tiles not read or with a warn or fail
};
inline constexpr std::size_t kListedPerCheck = 60;

bool summarise(const std::string &tiles_csv, Columns &columns, Summary &s);

}  // namespace pointsieve::qa::report
