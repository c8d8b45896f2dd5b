// OUTDIR: every output of a run is built in a new folder beside it, which
// replaces it whole once complete; a marker file tells an audit's folder.
#pragma once

#include <string>
#include <vector>

namespace pointsieve::qa {

inline constexpr const char *kMarkerName = ".pointsieve-qa";

struct OutDir {
    std::string target;  // OUTDIR as given, without trailing separators
    std::string temp;    // the folder being built
};

// Checks that target is absent, empty or an earlier run, and creates the
// temporary folder with its marker (the marker says whether the run read
// the detailed histograms). False, with a message printed, on failure.
bool begin_outdir(const std::string &target, bool detailed, OutDir &out);

// Creates the folders of the given paths (relative to the temporary folder).
bool make_folders(const OutDir &out, const std::vector<std::string> &files);

// Swaps the new folder in for the target and removes the earlier run.
bool finish_outdir(OutDir &out);

// Removes the temporary folder.
void abandon_outdir(OutDir &out);

// Whether dir holds a run of Pointsieve-qa, and whether that run was
// detailed (-d).
bool holds_run(const std::string &dir, bool &detailed);

}  // namespace pointsieve::qa
