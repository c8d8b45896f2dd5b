// Runs update_header on each file named on the command line.
#include "Korvane_LiDAR.h"

int main(int argc, char **argv) {
    for (int a = 1; a < argc; ++a) update_header(argv[a]);
    return 0;
}
