// The Pointsieve command: options, input classification, validation and the
// run itself.
#pragma once

#include <string>
#include <vector>

namespace pointsieve {

// Process-wide option state. Flags are -1 when not given and 0 when given.
extern int globalArgc;
extern char **globalArgv;
extern const char _optionalArgsArray[3][3];
extern int _nOptionalArguments;
extern signed char _helpFlag;
extern signed char _extendedSummaryFlag;
extern signed char _saveFlag;

// Scans the command line for -h, -d and -s and sets the option state; ends
// the process when an option is repeated.
void find_optionalArgs();

// 0 when the last three characters of filename equal extension, -1 when they
// differ; ends the process when the name is too short or has no dot fourth
// from its end.
signed short checkFileExtension(const char *filename, const char *extension);

// Prints the usage text and the banner.
void usage();

// Splits the text of a list file into its whitespace-separated names.
std::vector<std::string> split_list(const std::string &text);

// Reads a list file whole. Returns false when it cannot be opened.
bool read_list_file(const std::string &name, std::vector<std::string> &names);

// The whole command; returns the exit status (ends the process early on
// errors, with status -1).
int run_command(int argc, char **argv);

}  // namespace pointsieve
