/* Prints the version of the installed library, then classifies the LAS file
 * named on the command line through it and prints the type code.
 *
 * The build gives PACKAGE_VERSION, the version of the CMake package or of
 * the pkg-config file the program was built through: the header's version
 * must be the same, and its three numbers must spell its string. */
#include <stdio.h>
#include <string.h>

#include <Korvane_LiDAR.h>

#ifndef PACKAGE_VERSION
#error "build with -DPACKAGE_VERSION=\"the version of the package\""
#endif

#define SPELL(x) #x
#define NUMBER_TEXT(x) SPELL(x)
#define VERSION_FROM_NUMBERS                                                           \
    NUMBER_TEXT(KORVANE_LIDAR_VERSION_MAJOR) "." NUMBER_TEXT(KORVANE_LIDAR_VERSION_MINOR) "." \
    NUMBER_TEXT(KORVANE_LIDAR_VERSION_PATCH)

int main(int argc, char **argv) {
    if (argc != 2) return 2;
    printf("Korvane_LiDAR %s\n", KORVANE_LIDAR_VERSION_STRING);
    if (strcmp(KORVANE_LIDAR_VERSION_STRING, VERSION_FROM_NUMBERS) != 0) {
        printf("the version numbers spell %s\n", VERSION_FROM_NUMBERS);
        return 1;
    }
    if (strcmp(KORVANE_LIDAR_VERSION_STRING, PACKAGE_VERSION) != 0) {
        printf("the package says %s\n", PACKAGE_VERSION);
        return 1;
    }
    int16_t type = check_las(argv[1]);
    printf("LAS type %d\n", (int)type);
    return type > 0 ? 0 : 1;
}
