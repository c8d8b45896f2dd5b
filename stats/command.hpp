// The Pointsieve command: options, input classification, validation and the
// run itself.
#pragma once

#include <cstddef>
#include <cstdio>
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

// No file can be opened by a name longer than this.
inline constexpr std::size_t kLongestListName = 4096;

// Reads the next whitespace-separated name of a list file, as a formatted
// "%s" read sees it. Returns false at the end of the file. A word longer than
// kLongestListName comes back in pieces of kLongestListName + 1 bytes, none of
// which can name a file, so that a list that never ends (a link to
// /dev/zero) is refused at its first piece instead of filling memory.
bool next_list_name(std::FILE *list, std::string &name);

// The whole command; returns the exit status (ends the process early on
// errors, with status 255).
int run_command(int argc, char **argv);

}  // namespace pointsieve
