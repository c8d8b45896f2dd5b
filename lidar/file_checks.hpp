// The extension test that check_file_extension and the command's
// checkFileExtension share. Internal to the project; not installed.
#pragma once

namespace korvane {

enum class ExtensionMatch { Matches, Differs, Unusable };

// Compares the last three characters of filename with extension. A name of
// four characters or fewer, or without a dot before its last three, is
// Unusable, and is printed as such.
ExtensionMatch compare_extension(const char *filename, const char *extension);

}  // namespace korvane
