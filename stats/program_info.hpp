// What every program of the project prints for --version.
#pragma once

namespace pointsieve {

// Prints "<program> <version>" and the line naming the licence, to standard
// output.
void print_version(const char *program);

}  // namespace pointsieve
