// OUTDIR: every output of a run is built in a new folder beside it, which
// replaces it whole once complete; a marker file tells an audit's folder and
// keeps the record of its run.
#pragma once

#include <string>
#include <vector>

#include "run_record.hpp"
#include "tile_names.hpp"

namespace pointsieve::qa {

struct OutDir {
    std::string target;  // OUTDIR as given without trailing separators, or the folder its link leads to
    std::string temp;    // the folder being built
};

// OUTDIR as the run writes it: without trailing separators and, where it is
// a link, the name the link leads to (links of links followed). False, with
// a message printed, for a loop of links.
bool follow_outdir(const std::string &given, std::string &target);

// Checks that the target is absent, empty or an earlier run, and a folder a
// rename can replace (not ".", the root, a mount point, nor the current
// folder or one holding it), and creates the temporary folder with its
// marker holding the run's record. False, with a message printed, on
// failure.
bool begin_outdir(const std::string &given, const RunRecord &record, OutDir &out);

// Creates the folders of the paths begin to end of files (relative to the
// temporary folder).
bool make_folders(const OutDir &out, const TileNames &files, std::size_t begin, std::size_t end);

// Swaps the new folder in for the target and removes the earlier run.
bool finish_outdir(OutDir &out);

// Removes the temporary folder.
void abandon_outdir(OutDir &out);

}  // namespace pointsieve::qa
