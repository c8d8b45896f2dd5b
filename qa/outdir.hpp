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

// Whether c separates the folders of a path ('/', and '\\' on Windows).
bool is_separator(char c);

// The components of a name made absolute, "." and ".." worked out.
std::vector<std::string> absolute_parts(const std::string &name);

// The path of name (a path from the current folder) seen from the folder
// from_dir.
std::string path_from(const std::string &from_dir, const std::string &name);

}  // namespace pointsieve::qa
