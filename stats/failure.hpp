// Every way a run of Pointsieve can fail, and the messages of the ones
// Pointsieve-merge shares with it. The steps of a run return one of these;
// the driver alone turns it into its message and the failure status.
#pragma once

#include <chrono>

namespace pointsieve {

enum class Failure {
    None,
    // Memory.
    IntensityHistogram,    // the intensity histogram cannot be allocated
    PointSourceHistogram,  // nor the point source ID histogram
    ListNames,             // the names of a list do not fit in memory
    FileMemory,            // a file's name or read buffer does not fit
    // The list file.
    ListCannotOpen,
    ListCannotRead,
    ListEmpty,
    ListHoldsLasData,      // LAS data under a list's name
    ListHoldsLazData,      // compressed LAS data under a list's name
    ListedFileNotUsable,   // an entry that is not a usable LAS file
    ListedTypeDiffers,     // an entry of another LASType than the first
    UnhandledPair,         // a version 1.0 or 1.1 file of point format 2 or 3
    // The reading pass.
    InputCannotOpen,
    InputChanged,          // no longer the file that was validated
    HeaderUnreadable,
    PointsUnreadable,
    // The outputs.
    StatsCannotOpen,
    StatsCannotWrite,
    ReportLost,            // standard output could not take the report
};

// The program's name, as a failure on standard output names it.
extern const char *program_name;

// Prints the message of a failure and ends the run with the failure status.
// Names are printed as shown() shows them; each message uses the first, the
// second or neither.
[[noreturn]] void fail(Failure failure, const char *name = "", const char *other = "");

// Flushes standard output, keeping the reason of the first failure.
void flush_stdout();

// A run only succeeds if its report reached standard output whole: ends it
// with ReportLost otherwise.
void finish_stdout();

// Prints the elapsed-time line that ends a complete run.
void print_elapsed_time(std::chrono::steady_clock::time_point begin);

}  // namespace pointsieve
