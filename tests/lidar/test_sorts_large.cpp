// Index-carrying quicksorts on large inputs: agreement of the plain and
// depth-budgeted variants, bounded nesting, and ordered or equal keys.
#include <gtest/gtest.h>
#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {

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
