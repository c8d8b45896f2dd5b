// The tiles of a run: named, listed or found under folders, each given the
// path of its statistics file under OUTDIR, and the slice a shard takes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tile.hpp"
#include "tile_names.hpp"

namespace pointsieve::qa {

// A word of the command line: a tile or a folder, or a list (-l).
struct InputWord {
    std::string text;
    bool is_list;
};

// The tiles of a run, their names and their statistics files (relative to
// OUTDIR) each back to back, so that a million tiles cost little more than
// the bytes of their names.
struct TileInputs {
    TileNames names;
    TileNames stats;
};

// Collects the tiles named on the command line, in lists (-l) and under
// folders, in order. Returns false, having printed why, when a list cannot
// be read.
bool collect_tiles(const std::vector<InputWord> &words, TileInputs &tiles);

// Gives every tile its statistics path: its path relative to the deepest
// folder common to all tiles, unique even where case is not told apart.
void assign_stats_paths(TileInputs &tiles);

// Tile k, name and statistics file.
TileInput tile_input(const TileInputs &tiles, std::size_t k);

// The first and one-past-last index of slice k (1-based) of n near-equal
// consecutive slices of count items.
void shard_slice(std::uint64_t count, std::uint64_t k, std::uint64_t n, std::uint64_t &begin, std::uint64_t &end);

}  // namespace pointsieve::qa
