// The limits of the checks: the criteria of every check with their two
// limits, the defaults --print-limits prints, and a limits file read over
// them.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace pointsieve::qa {

// One criterion of a check, with its two limits. A criterion "above"
// flags a value above its limit, a "below" one a value below it.
struct Criterion {
    const char *name;
    std::size_t check;  // its check, an index into kChecks
    std::size_t which;  // its place among the criteria of its check
    bool below;
    double warn, fail;
    const char *unit;   // what is measured, for --print-limits
};

struct Limits {
    std::vector<Criterion> criteria;  // in the order of kChecks
    std::vector<bool> check_off;      // by check
    std::vector<bool> criterion_off;  // by criterion
};

// The limits of the check table.
Limits default_limits();

// Writes the default limits as a limits file that explains itself.
void print_limits(std::FILE *out);

// The longest line of a limits file, in bytes without its end.
inline constexpr std::size_t kLongestLimitsLine = 4096;

// Reads a limits file over limits; ends the process, having printed the
// line and why, when the file cannot be read or a line is malformed, is
// longer than kLongestLimitsLine or gives a value that is not a decimal
// number (a hexadecimal one, inf or nan) or beyond the range of a double.
void read_limits(const char *name, Limits &limits);

// A limit as verdicts.tsv and --print-limits write it.
std::string limit_text(double v);

}  // namespace pointsieve::qa
