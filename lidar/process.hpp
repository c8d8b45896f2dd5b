// The process as the library ends it and speaks through it: the failure
// status, and names as they are shown on standard output. Internal to the
// project; not installed.
#pragma once

#include <string>

namespace korvane {

// A name as it is to be printed on standard output. On a terminal its
// control characters (bytes 1 to 31 and 127) show as '?', as ls shows them,
// so that a name cannot move the cursor, clear the screen or retitle the
// window; to a file or a pipe it goes byte for byte as it is. Only a name
// that needs changing is copied, so that printing a name allocates nothing
// in the usual case (and never fails: without memory for the copy, the
// name is printed as it is).
struct ShownName {
    const char *name;
    std::string changed;
    const char *c_str() const noexcept { return changed.empty() ? name : changed.c_str(); }
};
ShownName shown(const char *name) noexcept;
inline ShownName shown(const std::string &name) noexcept { return shown(name.c_str()); }

// Exit status of every failure, on every platform: what exit(-1) gives on
// POSIX, and a positive ERRORLEVEL that "if errorlevel 1" sees on Windows.
inline constexpr int kFailureStatus = 255;

// Flushes standard output and ends the process with kFailureStatus.
[[noreturn]] void end_with_failure();

}  // namespace korvane
