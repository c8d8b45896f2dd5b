// Default public headers for new LAS 1.0, 1.1 and 1.2 files.
#include "Korvane_LiDAR.h"

extern "C" {
void initialize_header10(LAS10Header *ph) { (void)ph; }
void initialize_header11(LAS11Header *ph) { (void)ph; }
void initialize_header12(LAS12Header *ph) { (void)ph; }
}
