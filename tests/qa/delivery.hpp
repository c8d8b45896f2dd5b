// A generated delivery of small LAS tiles in nested folders: clean tiles of
// every LAS type over varied terrain, density and class mix, and at least
// one tile of every defect the audit looks for; with the table of what the
// audit must say about each tile.
#pragma once

#include <string>
#include <vector>

namespace qa_delivery {

// One tile of the delivery and what the audit must find on it.
struct Expectation {
    std::string path;       // relative to the delivery's folder, '/'-separated
    std::string status;     // ok, truncated, refused or unreadable
    std::string flagged;    // checks that must warn or fail, space-separated
    std::string tolerated;  // checks that may fail besides (a copy overlaps its original)
};

// Writes the delivery into folder dir (created) and returns the table, one
// entry per file the audit must list, in byte order of the paths. Also
// writes a file the audit must not list (readme.txt). Deterministic.
std::vector<Expectation> make_delivery(const std::string &dir);

}  // namespace qa_delivery
