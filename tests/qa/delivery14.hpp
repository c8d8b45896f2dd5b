// A generated delivery of small LAS 1.4 tiles (point formats 6 to 10 mixed,
// with a LAS 1.2, a LAS 1.3 and a LAS 1.4 format 1 tile among them) in one
// coordinate system and adjusted standard GPS time, with one tile of every
// defect the LAS 1.4 checks look for; and the table of what the audit must
// say about each tile, with the values of its coordinate system, count,
// density, overlap, channel and extra byte columns in tiles.csv.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "delivery.hpp"

namespace qa_delivery {

struct Expectation14 {
    Expectation tile;  // path, status, the checks that must warn or fail, those that may fail
    // The tile's values of tiles.csv columns, by heading; the densities as
    // full-precision numbers, to compare to three significant digits.
    std::vector<std::pair<std::string, std::string>> columns;
};

// The limits the delivery is judged with: the first-return density floor of
// USGS quality level 2 (2 per square metre) on top of the defaults.
inline constexpr const char *kLimits14 = "first_density_floor_m2 fail 2\nfirst_density_floor_m2 warn 2\n";

// Writes the delivery into folder dir (created) and returns its table, one
// entry per tile in byte order of the paths. Deterministic.
std::vector<Expectation14> make_delivery14(const std::string &dir);

}  // namespace qa_delivery
