// Reading the tiles of a run on worker threads, the outcomes taken in input
// order into the delivery.
#pragma once

#include "delivered.hpp"
#include "options.hpp"
#include "outdir.hpp"

namespace pointsieve::qa {

// Gathers the tiles the options name (the shard's slice of them), begins
// the output folder and reads every tile into d. Ends the process, having
// printed why, when the tiles cannot be gathered or read.
void read_delivery(const Options &o, OutDir &out, Delivered &d);

// Stops the workers of the reading under way, if any, and waits for them.
void stop_reading();

}  // namespace pointsieve::qa
