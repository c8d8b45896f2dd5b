// The words of the verdicts in the tables.
#include "verdict.hpp"

namespace pointsieve::qa {

const char *verdict_cell(Verdict v) {
    static const char *const kCells[] = {"-", "pass", "warn", "fail"};
    return kCells[static_cast<int>(v)];
}

Verdict verdict_of(std::string_view cell) {
    if (cell == "pass") return Verdict::Pass;
    if (cell == "warn") return Verdict::Warn;
    if (cell == "fail") return Verdict::Fail;
    return Verdict::NotApplicable;
}

}  // namespace pointsieve::qa
