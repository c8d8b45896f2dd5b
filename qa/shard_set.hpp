// The shards a combine is given, checked to make one run before anything is
// written: each written by this version, all of one N with every K once, all
// slicing one list of tiles, judged by one set of limits, all with -d or all
// without; and an OUTDIR that is none of them, lies in none of them and
// holds none of them.
#pragma once

#include <string>
#include <vector>

#include "options.hpp"
#include "run_record.hpp"

namespace pointsieve::qa {

struct Shard {
    std::string dir;  // as given, without trailing separators
    RunRecord record;
};

// The shards in the order of their K, and in combined the record of the
// combine (1/1, the shards' list and -d, the combine's own limits). Ends
// the process with status 255, having printed which shard and why, when
// they do not make one run.
std::vector<Shard> check_shards(const Options &o, RunRecord &combined);

}  // namespace pointsieve::qa
