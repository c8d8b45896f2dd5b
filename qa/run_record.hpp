// The record a run leaves in the marker file of its OUTDIR: which shard of
// how many it was, whether it ran with -d, and digests of the limits it
// judged by and of the whole list of tiles it sliced, so that a combine can
// tell whether its shards make one run.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "limits.hpp"
#include "options.hpp"
#include "inputs.hpp"

namespace pointsieve::qa {

// The marker file, which also tells a folder written by this program.
inline constexpr const char *kMarkerName = ".pointsieve-qa";

struct RunRecord {
    std::uint64_t shard_k = 1, shard_n = 1;  // 1/1 for a run without --shard, and for a combine
    bool detailed = false;
    std::uint64_t tiles = 0;          // tiles of the whole list, before slicing
    std::uint64_t list_digest = 0;    // of the names of the whole list, in order
    std::uint64_t limits_digest = 0;  // of the limits the run judged by
};

// A digest (64-bit FNV-1a) of every limit, and of every check and criterion
// switched off.
std::uint64_t limits_digest(const Limits &limits);

// The record of a run of these options over these tiles (the whole list).
RunRecord run_record(const Options &o, const TileInputs &tiles);

// The text of the marker file.
std::string marker_text(const RunRecord &r);

enum class Marker {
    None,     // no marker: not a folder of this program
    Earlier,  // a marker without a record (or one this version cannot read)
    Whole     // a marker with its record, read into the record
};

// Reads the marker file of dir; the detailed flag is read from any marker.
Marker read_marker(const std::string &dir, RunRecord &r);

}  // namespace pointsieve::qa
