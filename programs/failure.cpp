// The messages of the failure table, and the end of a run that failed.
#include "failure.hpp"

#include <cstdio>
#include <cstdlib>

#include "messages.hpp"
#include "process.hpp"

namespace pointsieve {

using korvane::end_with_failure;

namespace {

// The message of every failure, and where it goes. Each pattern takes two
// strings, a name and a second name, and prints the first, both or
// neither; the failure of standard output takes the program's name and the
// reason.
struct FailureMessage {
    Failure failure;
    bool to_stderr;
    const char *pattern;
};

constexpr FailureMessage kFailureMessages[] = {
    {Failure::IntensityHistogram, false, "\nFailed to allocate memory for the Intensity Count vector\n"},
    {Failure::PointSourceHistogram, false, "\nFailed to allocate memory for the Point Source ID Count vector\n"},
    {Failure::ListNames, false, "\nCannot allocate memory for the names listed in %s\n"},
    {Failure::FileMemory, false, "Failed to allocate memory for file %s\n"},
    {Failure::ListCannotOpen, false, "\nCannot open input ASCII file %s for reading\n"},
    {Failure::ListCannotRead, false, "\nCannot read input ASCII file %s\n"},
    {Failure::ListEmpty, false, "\nFile %s contains no valid .las files\n"},
    {Failure::ListHoldsLasData, false,
     "\nFile %s is a LAS file, not a list of file names: LAS files are read only under names ending in .las\n"},
    {Failure::ListHoldsLazData, false,
     "\nFile %s holds compressed (LAZ) point data, which is not read: decompress it to a .las file first\n"},
    {Failure::ListedFileNotUsable, false, "%s (listed in %s) is not a valid LAS file\n"},
    {Failure::ListedTypeDiffers, false, "\nType of file %s differs from that of previous files in %s\n"},
    {Failure::UnhandledPair, false, "\nCannot handle point data format %s in las files of version %s\n"},
    {Failure::InputCannotOpen, false, "\nCannot open binary file %s for reading\n\n"},
    {Failure::InputChanged, false, korvane::kFileChanged},
    {Failure::HeaderUnreadable, false, korvane::kCannotReadHeader},
    {Failure::PointsUnreadable, false, korvane::kCannotReadPoints},
    {Failure::StatsCannotOpen, false, "\nCannot open ASCII file %s for writing\n"},
    {Failure::StatsCannotWrite, false, "\nCannot write ASCII file %s\n"},
    {Failure::ReportLost, true, "%s: cannot write the report to standard output: %s\n"},
};

}  // namespace

void fail(Failure failure, const char *name, const char *other) {
    for (const FailureMessage &m : kFailureMessages) {
        if (m.failure != failure) continue;
        std::FILE *stream = m.to_stderr ? stderr : stdout;
        std::fprintf(stream, m.pattern, korvane::printable_name(name).c_str(), korvane::printable_name(other).c_str());
        if (m.to_stderr) std::exit(korvane::kFailureStatus);  // standard output is past saving
        break;
    }
    end_with_failure();
}

}  // namespace pointsieve
