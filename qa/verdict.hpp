// The verdict of one check of one tile, and its word in the check cells of
// tiles.csv and the lines of verdicts.tsv.
#pragma once

#include <cstdint>
#include <string_view>

namespace pointsieve::qa {

// In the order of their weight: a tile's verdict is the worst of its
// criteria's, and a row's the worst of its checks'.
enum class Verdict : std::uint8_t { NotApplicable, Pass, Warn, Fail };

// "-", "pass", "warn" or "fail".
const char *verdict_cell(Verdict v);

// The verdict of a check cell; NotApplicable for "-" and anything else.
Verdict verdict_of(std::string_view cell);

}  // namespace pointsieve::qa
