// What every program of the project prints for --version.
#pragma once

namespace pointsieve {

// Prints "<program> <version>" and the line naming the licence, to standard
// output.
void print_version(const char *program);

// With "--version" as the only argument, prints the version of the running
// program (program_name) and returns true; otherwise prints nothing.
bool answered_version(int argc, char **argv);

}  // namespace pointsieve
