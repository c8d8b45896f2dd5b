// The checks of a tile, one entry each: its name, its words in the report,
// its criteria with their default limits, and its rule. The judge, the
// limits, the tables, standard output and the report all take the checks
// from here, in this order.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string_view>

#include "delivery_figures.hpp"
#include "facts.hpp"

namespace pointsieve::qa {

// A criterion of a check and its default limits: "below" flags a value
// below a limit, "above" (below false) a value above it.
struct CriterionEntry {
    const char *name = nullptr;  // none: the check has fewer criteria
    bool below = false;
    double warn = 0, fail = 0;
    const char *unit = "";       // what is measured, for --print-limits
};
inline constexpr std::size_t kMostCriteria = 5;

// What a check measures in tile k, and what it compares it with.
struct CheckInput {
    const Facts &tile;
    const Delivery &delivery;
    std::size_t k;
};

// A check's rule: whether its criterion which (the index in its entry)
// applies to the tile, and the value measured.
using CheckRule = bool (*)(const CheckInput &in, std::size_t which, double &value);

// What verdicts.tsv gives as the value of a warn or a fail.
enum class ValueShown {
    Figure,      // the value measured
    Status,      // the tile's status word
    DuplicateOf  // the name of the first other tile with the same points
};

struct CheckEntry {
    const char *name;     // the column "check:NAME", the lines of verdicts.tsv and standard output, --limits
    const char *words;    // a few words for the map's labels ("low density")
    const char *meaning;  // what it looks for, for the verdict grid
    std::array<CriterionEntry, kMostCriteria> criteria;
    CheckRule rule;
    ValueShown shown = ValueShown::Figure;
};

// Every check, in the order of the columns and lines.
extern const std::span<const CheckEntry> kChecks;

// The entry of the check called name, or nullptr.
const CheckEntry *find_check(std::string_view name);

}  // namespace pointsieve::qa
