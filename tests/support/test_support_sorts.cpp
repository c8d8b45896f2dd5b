// Checks of the index-carrying quicksorts.
#include "test_support.hpp"

#include <numeric>
#include <ostream>

namespace testing_support {

void PrintTo(const Variant &v, std::ostream *os) { *os << v.name; }

std::vector<int32_t> identity(std::size_t n) {
    std::vector<int32_t> v(n);
    std::iota(v.begin(), v.end(), 0);
    return v;
}

std::vector<double> as_doubles(const std::vector<int32_t> &v) {
    return std::vector<double>(v.begin(), v.end());
}

bool is_position_permutation(const std::vector<int32_t> &ind) {
    const auto n = static_cast<int32_t>(ind.size());
    std::vector<char> seen(ind.size(), 0);
    for (int32_t x : ind) {
        if (x < 0 || x >= n || seen[x]) return false;
        seen[x] = 1;
    }
    return true;
}

}  // namespace testing_support
