// The command line of Pointsieve-qa: its usage text and its options.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "inputs.hpp"

namespace pointsieve::qa {

// The usage text --help prints and a refused command line ends with.
extern const char *const kUsage;

struct Options {
    bool detailed = false, combine = false;
    unsigned threads = 0;  // 0: the processors available
    std::string outdir = "pointsieve-qa";
    const char *limits = nullptr;
    const char *index = nullptr;  // the tile index, --index
    std::uint64_t shard_k = 1, shard_n = 1;
    bool sharded = false;
    std::vector<InputWord> inputs;  // tiles, folders and lists, or the shards' folders
    std::uint64_t limits_digest = 0;  // of the limits read, set once they are (run_record)
};

// Reads the command line; ends the process, having printed why and the
// usage, when it is refused.
Options parse_options(int argc, char **argv);

}  // namespace pointsieve::qa
