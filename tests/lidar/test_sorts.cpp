// Index-carrying quicksorts, each variant on small inputs: exact
// permutations, signed zeros, counts below two, NaN handling, and the workers
// that sort a range. Large inputs are in test_sorts_large.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {

class SortVariant : public ::testing::TestWithParam<Variant> {};

struct Example {
    const char *what;
    std::vector<int32_t> keys, sorted, ind;
};

const std::vector<Example> kExamples = {
    {"four equal keys", {5, 5, 5, 5}, {5, 5, 5, 5}, {2, 3, 0, 1}},
    {"three equal keys", {5, 5, 5}, {5, 5, 5}, {2, 1, 0}},
    {"two equal keys", {5, 5}, {5, 5}, {1, 0}},
    {"duplicates", {30, 10, 20, 10}, {10, 10, 20, 30}, {3, 1, 2, 0}},
    {"descending", {4, 3, 2, 1}, {1, 2, 3, 4}, {3, 2, 1, 0}},
    {"ascending", {1, 2, 3, 4}, {1, 2, 3, 4}, {0, 1, 2, 3}},
    {"32-bit limits",
     {9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 5, 5, -3, INT32_MAX, INT32_MIN},
     {INT32_MIN, -3, 0, 1, 2, 3, 4, 5, 5, 5, 6, 7, 8, 9, INT32_MAX},
     {14, 12, 9, 8, 7, 6, 5, 11, 10, 4, 3, 2, 1, 0, 13}},
};

TEST_P(SortVariant, ExactPermutationsForBothKeyTypes) {
    for (const Example &e : kExamples) {
        SCOPED_TRACE(e.what);
        const auto n = static_cast<int32_t>(e.keys.size());

        std::vector<int32_t> lk = e.keys;
        std::vector<int32_t> li = identity(e.keys.size());
        GetParam().l(lk.data(), n, li.data());
        EXPECT_EQ(lk, e.sorted);
        EXPECT_EQ(li, e.ind);

        std::vector<double> dk = as_doubles(e.keys);
        std::vector<int32_t> di = identity(e.keys.size());
        GetParam().d(dk.data(), n, di.data());
        EXPECT_EQ(dk, as_doubles(e.sorted));
        EXPECT_EQ(di, e.ind);
    }
}

TEST_P(SortVariant, SignedZerosCompareEqual) {
    std::vector<double> k = {2.5, -0.0, 0.0, 1.0};
    std::vector<int32_t> ind = identity(4);
    GetParam().d(k.data(), 4, ind.data());
    EXPECT_EQ(ind, (std::vector<int32_t>{2, 1, 3, 0}));
    EXPECT_EQ(k, (std::vector<double>{0.0, 0.0, 1.0, 2.5}));
    EXPECT_FALSE(std::signbit(k[0]));
    EXPECT_TRUE(std::signbit(k[1]));
}

TEST_P(SortVariant, CountsBelowTwoTouchNothing) {
    // With a count of 0 or less no element may be read: null arrays prove it.
    for (int32_t count : {0, -1, INT32_MIN}) {
        GetParam().l(nullptr, count, nullptr);
        GetParam().d(nullptr, count, nullptr);
    }
    int32_t lk = 7, li = 3;
    double dk = std::nan("");
    int32_t di = 9;
    GetParam().l(&lk, 1, &li);
    GetParam().d(&dk, 1, &di);
    EXPECT_EQ(lk, 7);
    EXPECT_EQ(li, 3);
    EXPECT_TRUE(std::isnan(dk));
    EXPECT_EQ(di, 9);
}

TEST_P(SortVariant, NaNsEndWithKeysPairedToTheirIndex) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<std::vector<double>> inputs = {
        {nan, 3, 1, 2},
        {3, 1, nan, 2, 0},  // NaN pivot
        {1, 2, 3, nan},
        {nan, nan, nan, nan, nan},
        {nan, -0.0, 0.0, nan, 1e300, -1e300, nan},
    };
    std::mt19937 rng(7);
    std::vector<double> mixed(20000);
    for (double &x : mixed) x = (rng() % 5 == 0) ? nan : static_cast<double>(rng() % 100);
    inputs.push_back(mixed);

    for (const auto &input : inputs) {
        SCOPED_TRACE(input.size());
        std::vector<double> k = input;
        std::vector<int32_t> ind = identity(k.size());
        GetParam().d(k.data(), static_cast<int32_t>(k.size()), ind.data());
        EXPECT_TRUE(keys_follow_index(input, k, ind));
    }
}

INSTANTIATE_TEST_SUITE_P(Sorts, SortVariant, ::testing::Values(kPlain, kParallel),
                         [](const auto &info) { return std::string(info.param.name); });

// The workers sort only their own inclusive range.
TEST(SortWorkers, SortOnlyTheirRange) {
    const std::vector<int32_t> keys = {9, 8, 7, 6, 5, 4, 3, 2, 1};
    const std::vector<int32_t> want = {9, 8, 3, 4, 5, 6, 7, 2, 1};
    const std::vector<int32_t> want_ind = {0, 1, 6, 5, 4, 3, 2, 7, 8};
    for (bool budgeted : {false, true}) {
        SCOPED_TRACE(budgeted ? "parallel" : "plain");
        std::vector<int32_t> lk = keys, li = identity(9), di = identity(9);
        std::vector<double> dk = as_doubles(keys);
        if (budgeted) {
            l_parallel_qs(lk.data(), 2, 6, li.data(), 15);
            d_parallel_qs(dk.data(), 2, 6, di.data(), 15);
        } else {
            l_qs(lk.data(), 2, 6, li.data());
            d_qs(dk.data(), 2, 6, di.data());
        }
        EXPECT_EQ(lk, want);
        EXPECT_EQ(li, want_ind);
        EXPECT_EQ(dk, as_doubles(want));
        EXPECT_EQ(di, want_ind);
    }
}

}  // namespace
