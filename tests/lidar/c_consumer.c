/* A C11 program using the public header and the static archive. */
#include <stdio.h>
#include <string.h>

#include "Korvane_LiDAR.h"

int main(void) {
    LAS12Header h;
    int32_t keys[4] = {30, 10, 20, 10};
    int32_t index[4] = {0, 1, 2, 3};
    memset(&h, 0, sizeof h);
    if (sizeof(LAS12Header) != 227 || offsetof(LAS12Header, PointDataRecordLength) != 105) return 1;
    if (sizeof(LAS12fm3) != 34) return 1;
    initialize_header12(&h);
    l_quicksort(keys, 4, index);
    if (check_file_extension("tile.las", "las") != 0) return 1;
    printf("header %u bytes, keys %d %d %d %d\n", (unsigned)sizeof h, (int)keys[0], (int)keys[1], (int)keys[2],
           (int)keys[3]);
    return 0;
}
