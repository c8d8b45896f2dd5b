// The failure table: every way a run of Pointsieve can fail, the ones the
// other programs share with it among them. The steps of a run return one of
// these; the driver alone turns it into its message and the failure status.
#pragma once

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

// Prints the message of a failure and ends the run with the failure status.
// Names are printed as printable_name() shows them; each message uses the first, the
// second or neither.
[[noreturn]] void fail(Failure failure, const char *name = "", const char *other = "");

}  // namespace pointsieve
