// Reading one tile: the tiles of a run, the reading state a worker keeps
// across its tiles, and what reading one tile gives.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "facts.hpp"
#include "line_scan.hpp"
#include "merge.hpp"
#include "point_blocks.hpp"

namespace pointsieve::qa {

struct TileInput {
    std::string name;   // as given, or as found under a folder
    std::string stats;  // its statistics file, relative to OUTDIR ("stats/...")
};

// Reading state of one worker, kept across its tiles.
struct TileReader {
    bool detailed = false;
    Accumulator acc;
    Accumulator sums;  // the detailed histograms of the tiles read, summed
    formats::PointBlocks blocks;  // its block buffer, kept across tiles
    LineTable lines;              // its flight lines' tables, kept across tiles
    std::atomic<std::uint64_t> *bytes = nullptr;  // read so far, for the progress line
};

// Readies a reader for tiles read with or without the detailed histograms,
// counting the bytes it reads into bytes. False when its histograms do not
// fit in memory.
bool start_tile_reader(TileReader &reader, bool detailed, std::atomic<std::uint64_t> *bytes);

// Adds the detailed histograms of every tile the reader read into acc.
void add_detailed_sums(const TileReader &reader, Accumulator &acc);

// What reading one tile gave.
struct TileOutcome {
    FactFields fields;
    // The figures of its statistics file, as reading that file back would
    // give them to the merge (the detailed histograms are summed in the
    // reader: add_detailed_sums).
    InputFigures figures;
    bool write_failed = false;  // its statistics file could not be written: the run fails
    int write_errno = 0;
};

// Reads one tile, writes its statistics file under outdir when it was read,
// and fills the fields of its row.
void read_tile(TileReader &reader, const TileInput &tile, const std::string &outdir, TileOutcome &out);

}  // namespace pointsieve::qa
