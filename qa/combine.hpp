// The combine of shards: the shards' tables read back as one run's tiles,
// their statistics files read by the keys of the statistics file, which are
// indexed on a thread of their own.
#pragma once

#include <thread>

#include "delivered.hpp"
#include "merge.hpp"
#include "options.hpp"
#include "outdir.hpp"

namespace pointsieve::qa {

struct IndexJob {
    std::thread thread;
    KeyIndex index;
    bool built = false;
};

// Starts indexing the keys, on a thread where one can be started.
void start_index(IndexJob &job);

// Checks that the shards the options name make one run, begins the output
// folder and reads the shards' tables into d in the order of their K, after
// the keys' index; ends the process, having printed why, when they do not
// or a shard cannot be read.
void read_shards(const Options &o, OutDir &out, IndexJob &job, Delivered &d);

// Frees the keys' index, some 130,000 entries, on a thread of its own (the
// thread returned, to be joined), or at once where none can be started.
std::thread free_index(IndexJob &job);

}  // namespace pointsieve::qa
