// The tiles of a run as they are judged and written: the figures each is
// judged by and its name, kept in memory (a few hundred bytes a tile); its
// row up to the checks, set aside in a file of the new folder; its
// statistics file, folded into the archive as it comes, as Pointsieve-merge
// folds them. A run reads them from the tiles, a combine from the shards'
// tables.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "facts.hpp"
#include "file_util.hpp"
#include "flight_lines.hpp"
#include "merge.hpp"
#include "outdir.hpp"
#include "tile_names.hpp"

namespace pointsieve::qa {

struct Delivered {
    TileNames names;
    FactsTable facts;
    korvane::FilePtr rows;
    std::string rows_name;
    const KeyIndex *index = nullptr;  // for reading statistics files (a combine)
    StatsReadBuffers buffers;
    InputFigures input;
    std::unique_ptr<MergedFigures> merged;
    FlightLines lines;
    // Figures of the delivery for standard output.
    std::uint64_t by_status[5] = {};
    std::uint64_t points = 0;
    std::vector<std::pair<std::string, std::uint64_t>> types;  // "1.2 format 3" and tiles
    std::string extent_text[6];
    double extent[6] = {};
    bool has_extent = false;
    std::string gps_text[2][2];
    double gps[2][2] = {};
    bool has_gps[2] = {};
    bool detailed = false;
};

// Opens the file of rows and starts the merge; statistics files are read
// by index, where one is given.
void start_tiles(Delivered &d, const KeyIndex *index, OutDir &out);

// Adds one tile: its row, its figures, and its statistics file to the
// archive (read from stats_file, or given as figures).
void add_tile(Delivered &d, const FactFields &f, const std::string &stats_file, const InputFigures *figures,
              OutDir &out);

// The tiles that were not read: refused, compressed or unreadable.
std::uint64_t unread_tiles(const Delivered &d);

}  // namespace pointsieve::qa
