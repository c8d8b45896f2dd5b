/* Classifies the LAS file named on the command line through the installed
 * library and prints the type code. */
#include <stdio.h>

#include <Korvane_LiDAR.h>

int main(int argc, char **argv) {
    if (argc != 2) return 2;
    int16_t type = check_las(argv[1]);
    printf("LAS type %d\n", (int)type);
    return type > 0 ? 0 : 1;
}
