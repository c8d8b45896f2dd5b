// The process as the library ends it and speaks through it: the failure
// status, names as they are shown on standard output, and opens that fail
// for want of resources. Internal to the
// project; not installed.
#pragma once

#include <string>

namespace korvane {

// A name as it is to be printed on standard output. On a terminal its
// control characters show as '?', one for each, as ls shows them, so that a
// name cannot move the cursor, clear the screen, retitle the window or
// reverse the text around it: bytes 1 to 31 and 127, the C1 controls
// U+0080 to U+009F (in UTF-8, and as raw bytes 0x80 to 0x9F outside a
// UTF-8 sequence), and the bidirectional embeddings, overrides and isolates
// U+202A to U+202E and U+2066 to U+2069. Other UTF-8 characters stay as
// they are. To a file or a pipe a name goes byte for byte as it is. Only a name
// that needs changing is copied, so that printing a name allocates nothing
// in the usual case (and never fails: without memory for the copy, the
// name is printed as it is).
struct PrintableName {
    const char *name;
    std::string changed;
    const char *c_str() const noexcept { return changed.empty() ? name : changed.c_str(); }
};
PrintableName printable_name(const char *name) noexcept;
inline PrintableName printable_name(const std::string &name) noexcept { return printable_name(name.c_str()); }

// True for the errno of an open that failed for want of memory or of file
// descriptors: the file may be fine, the process is out of resources.
bool out_of_resources(int error);

// Prints "Cannot open <name>: <reason>" for such a failure.
void report_out_of_resources(const char *filename, int error);

// Exit status of every failure, on every platform: what exit(-1) gives on
// POSIX, and a positive ERRORLEVEL that "if errorlevel 1" sees on Windows.
inline constexpr int kFailureStatus = 255;

// Flushes standard output and ends the process with kFailureStatus.
[[noreturn]] void end_with_failure();

}  // namespace korvane
