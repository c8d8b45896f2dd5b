// The standard streams of a program: guarded when closed at start, and
// standard output checked, so that a report that did not reach it whole is
// never a success.
#pragma once

namespace pointsieve {

// Gives a closed standard descriptor (0, 1 or 2) a placeholder on which
// every write fails, so that a file opened later cannot take its number and
// receive what was meant for the console. Does nothing where descriptors
// are not inherited this way.
void guard_standard_streams();

// Flushes standard output, keeping the reason of the first failure.
void flush_stdout();

// A run only succeeds if its report reached standard output whole: ends it
// with ReportLost otherwise, giving the reason of the first failure.
void finish_stdout();

}  // namespace pointsieve
