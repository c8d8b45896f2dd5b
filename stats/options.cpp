// The command line: option state, the extension test and the usage text.
#include <cstdio>
#include <cstring>

#include "Korvane_LiDAR.h"
#include "file_checks.hpp"
#include "options.hpp"
#include "process.hpp"
#include "program_identity.hpp"

namespace pointsieve {

int globalArgc = 0;
char **globalArgv = nullptr;
const char _optionalArgsArray[3][3] = {"-h", "-d", "-s"};
int _nOptionalArguments = 0;
signed char _helpFlag = -1;
signed char _extendedSummaryFlag = -1;
signed char _saveFlag = -1;

using korvane::end_with_failure;

const char *const kUsage =
    "\nUsage:\n"
    "Pointsieve -h\n"
    "Pointsieve <LAS File | ASCII List> <Options>\n"
    "          Options: -d Detailed Report\n"
    "                   -s Save report to LASFile_stats.asc | LASList_stats.asc\n\n";

void find_optionalArgs() {
    if (globalArgc < 2) return;
    int seen[3] = {0, 0, 0};
    for (int a = 1; a < globalArgc; ++a) {
        if (std::strcmp(globalArgv[a], _optionalArgsArray[0]) == 0) {
            ++seen[0];
            _helpFlag = 0;
        } else if (std::strcmp(globalArgv[a], _optionalArgsArray[1]) == 0) {
            ++seen[1];
            ++_nOptionalArguments;
            _extendedSummaryFlag = 0;
        } else if (std::strcmp(globalArgv[a], _optionalArgsArray[2]) == 0) {
            ++seen[2];
            ++_nOptionalArguments;
            _saveFlag = 0;
        }
    }
    for (int k = 0; k < 3; ++k) {
        if (seen[k] > 1) {
            std::printf("\nMore than one %s arguments\n", _optionalArgsArray[k]);
            print_usage(kUsage);
            end_with_failure();
        }
    }
}

signed short checkFileExtension(const char *filename, const char *extension) {
    const korvane::ExtensionMatch match = korvane::compare_extension(filename, extension);
    if (match == korvane::ExtensionMatch::Unusable) end_with_failure();
    return match == korvane::ExtensionMatch::Matches ? 0 : -1;
}

}  // namespace pointsieve
