// Quicksorts that carry an index array along with the keys.
#include "Korvane_LiDAR.h"

extern "C" {
void l_quicksort(int32_t *, int32_t, int32_t *) {}
void l_qs(int32_t *, int32_t, int32_t, int32_t *) {}
void d_quicksort(double *, int32_t, int32_t *) {}
void d_qs(double *, int32_t, int32_t, int32_t *) {}
void l_parallel_quicksort(int32_t *, int32_t, int32_t *) {}
void l_parallel_qs(int32_t *, int32_t, int32_t, int32_t *, int32_t) {}
void d_parallel_quicksort(double *, int32_t, int32_t *) {}
void d_parallel_qs(double *, int32_t, int32_t, int32_t *, int32_t) {}
}
