// Quicksorts that carry an index array along with the keys.
//
// Every exchange of two keys exchanges the index entries at the same two
// positions, so callers can follow each key back to where it stood. Callers
// rely on the exact permutation left behind, not merely on ascending order:
// the pivot is the key at the middle position, both scans stop on keys equal
// to the pivot (which are then exchanged), and the left sub-range is split
// off before the right one.
//
// Nesting is bounded: a worker recurses only into the smaller of its two
// sub-ranges and carries on with the larger one itself. The sub-ranges are
// disjoint and each is sorted the same way whatever the order, so the result
// is the same as sorting left then right, and no input nests deeper than
// about log2(count) calls.
#include "Korvane_LiDAR.h"

#include <cstdint>

namespace {

// One partition step over the inclusive range [left, right], left < right.
// On return [left, j] and [i, right] remain to be sorted (j < i).
template <class Key>
void partition(Key *p, int32_t *p_ind, int32_t left, int32_t right, int32_t &i, int32_t &j) {
    // The pivot key is copied: moving the pivot element later leaves v alone.
    const Key v = p[static_cast<int32_t>((static_cast<int64_t>(left) + right) / 2)];
    i = left;
    j = right;
    do {
        // Strict comparisons: a key equal to the pivot (or a NaN) stops a scan.
        while (p[i] < v && i < right) ++i;
        while (v < p[j] && j > left) --j;
        if (i <= j) {
            const Key p_tmp = p[i];
            p[i] = p[j];
            p[j] = p_tmp;
            const int32_t p_ind_tmp = p_ind[i];
            p_ind[i] = p_ind[j];
            p_ind[j] = p_ind_tmp;
            ++i;
            --j;
        }
    } while (i <= j);
}

template <class Key>
void plain_sort(Key *p, int32_t left, int32_t right, int32_t *p_ind) {
    while (left < right) {
        int32_t i, j;
        partition(p, p_ind, left, right, i, j);
        // Sizes of the two pending sub-ranges; an empty or single-element
        // side counts as nothing to do.
        const int64_t left_size = left < j ? static_cast<int64_t>(j) - left + 1 : 0;
        const int64_t right_size = i < right ? static_cast<int64_t>(right) - i + 1 : 0;
        if (left_size <= right_size) {
            if (left_size > 0) plain_sort(p, left, j, p_ind);
            left = i;  // continue with [i, right]; ends at once if i >= right
        } else {
            if (right_size > 0) plain_sort(p, i, right, p_ind);
            right = j;
        }
    }
}

// The budget is lowered with wrap-around so that a caller's negative budget
// stays well defined; only 0 ends it.
inline int32_t lower_budget(int32_t deep) {
    return static_cast<int32_t>(static_cast<uint32_t>(deep) - 1u);
}

template <class Key, void (*Plain)(Key *, int32_t, int32_t, int32_t *),
          void (*Budgeted)(Key *, int32_t, int32_t, int32_t *, int32_t)>
void budgeted_sort(Key *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep) {
    while (left < right) {
        int32_t i, j;
        partition(p, p_ind, left, right, i, j);
        const int64_t left_size = left < j ? static_cast<int64_t>(j) - left + 1 : 0;
        const int64_t right_size = i < right ? static_cast<int64_t>(right) - i + 1 : 0;
        // Each sub-range goes to the worker its budget chooses: another
        // budgeted worker while budget remains, a plain one once it is spent.
        int32_t small_left = left, small_right = j, large_left = i, large_right = right;
        if (left_size > right_size) {
            small_left = i;
            small_right = right;
            large_left = left;
            large_right = j;
        }
        if (small_left < small_right) {
            if (deep != 0) {
                Budgeted(p, small_left, small_right, p_ind, lower_budget(deep));
            } else {
                Plain(p, small_left, small_right, p_ind);
            }
        }
        if (deep == 0) {
            if (large_left < large_right) Plain(p, large_left, large_right, p_ind);
            return;
        }
        // The larger sub-range is the budgeted call one level down, made in place.
        left = large_left;
        right = large_right;
        deep = lower_budget(deep);
    }
}

}  // namespace

extern "C" {

void l_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind) {
    plain_sort(p, left, right, p_ind);
}

void d_qs(double *p, int32_t left, int32_t right, int32_t *p_ind) {
    plain_sort(p, left, right, p_ind);
}

void l_parallel_qs(int32_t *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep) {
    budgeted_sort<int32_t, l_qs, l_parallel_qs>(p, left, right, p_ind, deep);
}

void d_parallel_qs(double *p, int32_t left, int32_t right, int32_t *p_ind, int32_t deep) {
    budgeted_sort<double, d_qs, d_parallel_qs>(p, left, right, p_ind, deep);
}

// A count below 2 leaves nothing to sort and neither array is read. The
// early return also keeps count - 1 from overflowing for the lowest count.
void l_quicksort(int32_t *p, int32_t count, int32_t *p_ind) {
    if (count < 2) return;
    l_qs(p, 0, count - 1, p_ind);
}

void d_quicksort(double *p, int32_t count, int32_t *p_ind) {
    if (count < 2) return;
    d_qs(p, 0, count - 1, p_ind);
}

void l_parallel_quicksort(int32_t *p, int32_t count, int32_t *p_ind) {
    if (count < 2) return;
    l_parallel_qs(p, 0, count - 1, p_ind, 15);
}

void d_parallel_quicksort(double *p, int32_t count, int32_t *p_ind) {
    if (count < 2) return;
    d_parallel_qs(p, 0, count - 1, p_ind, 15);
}

}  // extern "C"
