// Message texts that the library and the command both print, kept here so
// that each is written once. Each takes a file name for its %s.
#pragma once

namespace korvane {

inline constexpr const char *kCannotReadHeader = "\nCannot read header of file %s\n";
inline constexpr const char *kCannotReadPoints = "\nCannot read point records of file %s\n";
inline constexpr const char *kFileChanged = "\nFile %s changed after it was validated\n";

}  // namespace korvane
