// The figures of the delivery, from all judged tiles, that the relative
// checks compare a tile with.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "facts.hpp"
#include "holes.hpp"
#include "tile_grid.hpp"
#include "tile_index.hpp"

namespace pointsieve::qa {

struct Delivery {
    double median_density = 0, median_z_span = 0, median_size = 0;
    bool has_density = false, has_z_span = false, has_size = false;
    std::array<double, 2> median_gps{};  // by encoding
    std::array<bool, 2> has_gps{};
    std::vector<std::int64_t> duplicate_of;  // first other tile with the same points, -1 none
    std::vector<std::uint32_t> duplicates;   // how many others
    std::vector<double> gap, overlap;        // position figures (gap NaN: not applicable)
    std::vector<double> off_grid;            // percent outside its grid cell (NaN: no grid)
    std::vector<double> z_level;             // height against its grid neighbours (NaN: none)
    std::vector<double> line_covered;        // its flight lines' largest share covered (NaN: none)
    // The flight lines, and those that interswath and flight_lines flag.
    std::size_t flight_lines = 0, lines_interswath = 0, lines_covered = 0;
    // The coordinate system most read tiles are in (of as many, the first
    // label in byte order), empty when no read tile names one.
    std::string common_crs;
    // Medians per square metre, of the tiles whose units are known.
    bool has_density_m2 = false;
    double median_density_m2 = 0, median_first_density_m2 = 0;
    std::uint64_t crs_systems = 0;
    int common_gps_encoding = -1;
    TileGrid grid;                 // the grid most tiles fit, where they do
    std::vector<Hole> holes;       // its cells missing inside the delivery
    // Against a tile index, where one is given: each tile, 1 when it is not
    // in it; the index's tiles not delivered.
    bool has_index = false;
    std::vector<char> unexpected;
    std::vector<MissingTile> missing;  // the encoding most tiles with GPS times have (-1: none, or as many of each)  // the distinct systems of the read tiles, "none" included
};

Delivery judge_delivery(const FactsTable &facts);

}  // namespace pointsieve::qa
