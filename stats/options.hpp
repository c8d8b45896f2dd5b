// The command line: the option state, the extension test and the usage
// text.
#pragma once

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

// The usage text, which the banner follows.
extern const char *const kUsage;

}  // namespace pointsieve
