/* Includes the public header and nothing else, from its folder in the source
 * tree, and prints the version it declares. The build gives the numbers the
 * project was configured with as EXPECTED_MAJOR, _MINOR and _PATCH. */
#include <Korvane_LiDAR.h>

#include <stdio.h>

#if !defined(KORVANE_LIDAR_VERSION_MAJOR) || !defined(KORVANE_LIDAR_VERSION_MINOR) || \
    !defined(KORVANE_LIDAR_VERSION_PATCH) || !defined(KORVANE_LIDAR_VERSION_STRING)
#error "Korvane_LiDAR.h does not define the four version macros"
#endif

/* The numbers are usable in #if, as a caller testing for a version uses them. */
#if KORVANE_LIDAR_VERSION_MAJOR != EXPECTED_MAJOR || KORVANE_LIDAR_VERSION_MINOR != EXPECTED_MINOR || \
    KORVANE_LIDAR_VERSION_PATCH != EXPECTED_PATCH
#error "the version numbers of Korvane_LiDAR.h are not the project's"
#endif

int main(void) {
    printf("%s %d.%d.%d\n", KORVANE_LIDAR_VERSION_STRING, KORVANE_LIDAR_VERSION_MAJOR, KORVANE_LIDAR_VERSION_MINOR,
           KORVANE_LIDAR_VERSION_PATCH);
    return sizeof(LAS12Header) == 227 ? 0 : 1;
}
