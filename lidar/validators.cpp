// Validators for numeric, yes/no and elevation-model file arguments.
#include "Korvane_LiDAR.h"

extern "C" {
void check_numeric_argument(const char *) {}
int16_t check_YN(const char *) { return 0; }
void check_DEM(const char *) {}
}
