// The lower median, found in linear time.
#include "median.hpp"

#include <algorithm>
#include <cstddef>

namespace pointsieve::qa {

double lower_median(std::vector<double> &values) {
    if (values.empty()) return 0;
    const std::size_t mid = (values.size() - 1) / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid), values.end());
    return values[mid];
}

}  // namespace pointsieve::qa
