// Index-carrying quicksorts: exact permutations, NaN handling, agreement of
// the plain and depth-budgeted variants, bounded nesting and large inputs.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "Korvane_LiDAR.h"

namespace {

using LSort = void (*)(int32_t *, int32_t, int32_t *);
using DSort = void (*)(double *, int32_t, int32_t *);

struct Variant {
    const char *name;
    LSort l;
    DSort d;
};

void PrintTo(const Variant &v, std::ostream *os) { *os << v.name; }

const Variant kPlain{"plain", l_quicksort, d_quicksort};
const Variant kParallel{"parallel", l_parallel_quicksort, d_parallel_quicksort};

std::vector<int32_t> identity(std::size_t n) {
    std::vector<int32_t> v(n);
    std::iota(v.begin(), v.end(), 0);
    return v;
}

std::vector<double> as_doubles(const std::vector<int32_t> &v) {
    return std::vector<double>(v.begin(), v.end());
}

// True when ind holds each of 0..n-1 exactly once.
bool is_position_permutation(const std::vector<int32_t> &ind) {
    const auto n = static_cast<int32_t>(ind.size());
    std::vector<char> seen(ind.size(), 0);
    for (int32_t x : ind) {
        if (x < 0 || x >= n || seen[x]) return false;
        seen[x] = 1;
    }
    return true;
}

// The index array is a permutation and every key still sits with the index
// entry it started with (compared bit for bit, so NaNs and signed zeros count).
template <class Key>
bool keys_follow_index(const std::vector<Key> &original, const std::vector<Key> &keys,
                       const std::vector<int32_t> &ind) {
    if (!is_position_permutation(ind)) return false;
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (std::memcmp(&keys[k], &original[ind[k]], sizeof(Key)) != 0) return false;
    }
    return true;
}

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

// Plain and budgeted sorts leave identical arrays, whatever budget the
// budgeted worker starts with; partitions here run far deeper than 15.
TEST(SortAgreement, PlainAndParallelIdenticalOnLargeRandomInputs) {
    constexpr std::size_t n = (1u << 20) + 37;
    std::mt19937 rng(2024);

    std::vector<int32_t> few(n), wide(n);
    for (auto &x : few) x = static_cast<int32_t>(rng() % 1000) - 500;  // many duplicates
    for (auto &x : wide) x = static_cast<int32_t>(rng());
    for (const auto *input : {&few, &wide}) {
        std::vector<int32_t> pk = *input, pi = identity(n);
        l_quicksort(pk.data(), static_cast<int32_t>(n), pi.data());
        EXPECT_TRUE(std::is_sorted(pk.begin(), pk.end()));
        EXPECT_TRUE(keys_follow_index(*input, pk, pi));
        for (int32_t deep : {15, 0, 1}) {
            SCOPED_TRACE(deep);
            std::vector<int32_t> qk = *input, qi = identity(n);
            if (deep == 15) {
                l_parallel_quicksort(qk.data(), static_cast<int32_t>(n), qi.data());
            } else {
                l_parallel_qs(qk.data(), 0, static_cast<int32_t>(n) - 1, qi.data(), deep);
            }
            EXPECT_TRUE(qk == pk);
            EXPECT_TRUE(qi == pi);
        }
    }

    // Doubles with many duplicates, signed zeros and a sprinkling of NaNs;
    // compared bit for bit.
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::vector<double> d(n);
    for (auto &x : d) {
        const uint32_t r = rng() % 2000;
        x = r == 0 ? nan : r == 1 ? -0.0 : r == 2 ? 0.0 : static_cast<double>(r % 700) / 4.0 - 80.0;
    }
    std::vector<double> pk = d, qk = d;
    std::vector<int32_t> pi = identity(n), qi = identity(n);
    d_quicksort(pk.data(), static_cast<int32_t>(n), pi.data());
    d_parallel_quicksort(qk.data(), static_cast<int32_t>(n), qi.data());
    EXPECT_EQ(std::memcmp(pk.data(), qk.data(), n * sizeof(double)), 0);
    EXPECT_TRUE(qi == pi);
    EXPECT_TRUE(keys_follow_index(d, pk, pi));
}

// The middle-position pivot's worst case, 0, 1, ..., n/2, ..., 1, splits off
// very little per partition. With nesting bounded by the smaller side the
// sorts fit in a 256 KiB thread stack; one level per partition would not.
TEST(SortNesting, OrganPipeFitsASmallStack) {
    constexpr int32_t n = 30001;
    std::vector<int32_t> pipe(n);
    for (int32_t k = 0; k < n; ++k) pipe[k] = k <= n / 2 ? k : n - k;

    struct Work {
        std::vector<int32_t> lk[2], li[2], di[2];
        std::vector<double> dk[2];
    } work;
    for (int v = 0; v < 2; ++v) {
        work.lk[v] = pipe;
        work.dk[v] = as_doubles(pipe);
        work.li[v] = work.di[v] = identity(n);
    }

    auto body = [](void *arg) -> void * {
        auto *w = static_cast<Work *>(arg);
        l_quicksort(w->lk[0].data(), n, w->li[0].data());
        l_parallel_quicksort(w->lk[1].data(), n, w->li[1].data());
        d_quicksort(w->dk[0].data(), n, w->di[0].data());
        d_parallel_quicksort(w->dk[1].data(), n, w->di[1].data());
        return nullptr;
    };
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, 256 * 1024), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attr, body, &work), 0);
    ASSERT_EQ(pthread_join(thread, nullptr), 0);
    pthread_attr_destroy(&attr);

    for (int v = 0; v < 2; ++v) {
        EXPECT_TRUE(std::is_sorted(work.lk[v].begin(), work.lk[v].end()));
        EXPECT_TRUE(keys_follow_index(pipe, work.lk[v], work.li[v]));
        EXPECT_TRUE(std::is_sorted(work.dk[v].begin(), work.dk[v].end()));
        EXPECT_TRUE(keys_follow_index(as_doubles(pipe), work.dk[v], work.di[v]));
    }
}

// 100,000 sorted, descending or equal keys split evenly and finish (a sort
// that degrades to quadratic time on them runs into the test's timeout). The
// middle pivot leaves ascending input in place and reverses descending input
// in the first partition. The checks compare whole arrays so that they stay
// cheap next to the sorts, also in sanitizer builds.
TEST(SortLarge, OrderedOrEqualKeys) {
    constexpr int32_t n = 100'000;
    const std::vector<int32_t> ident = identity(n);
    const std::vector<int32_t> reversed(ident.rbegin(), ident.rend());
    std::vector<int32_t> input(n), want(n), lk, li, di;
    std::vector<double> dk, want_d;

    enum Shape { Ascending, Descending, Equal };
    for (Shape shape : {Ascending, Descending, Equal}) {
        for (int32_t k = 0; k < n; ++k) {
            input[k] = shape == Ascending ? k - n / 2 : shape == Descending ? n / 2 - k : 42;
        }
        if (shape == Descending) {
            want.assign(input.rbegin(), input.rend());
        } else {
            want = input;
        }
        want_d.assign(want.begin(), want.end());

        std::vector<int32_t> first_ind;
        for (const Variant &v : {kPlain, kParallel}) {
            SCOPED_TRACE(std::string(v.name) + ", shape " + std::to_string(shape));
            lk = input;
            li = ident;
            v.l(lk.data(), n, li.data());
            dk.assign(input.begin(), input.end());
            di = ident;
            v.d(dk.data(), n, di.data());

            EXPECT_TRUE(lk == want);
            EXPECT_TRUE(dk == want_d);
            EXPECT_TRUE(di == li);
            if (shape == Ascending) {
                EXPECT_TRUE(li == ident) << "ascending input moved";
            } else if (shape == Descending) {
                EXPECT_TRUE(li == reversed) << "descending input not reversed";
            } else {
                if (first_ind.empty()) {
                    EXPECT_TRUE(is_position_permutation(li));
                    first_ind = li;
                } else {
                    EXPECT_TRUE(li == first_ind);
                }
            }
        }
    }
}

}  // namespace
