// The median of the tiles' figures, one definition for the checks,
// standard output and the report.
#pragma once

#include <vector>

namespace pointsieve::qa {

// The lower median: of n values, the one at (n - 1) / 2 in ascending order,
// so that it is always one of the values and never the mean of two.
// Reorders values; 0 when there are none.
double lower_median(std::vector<double> &values);

}  // namespace pointsieve::qa
