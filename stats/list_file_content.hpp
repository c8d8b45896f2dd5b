// Whether a would-be list file holds LAS data instead of names.
#pragma once

namespace pointsieve {

enum class ListFileContent { Text, LasData, CompressedLasData };

// What the file called name holds: the LASF signature and a NUL byte within
// the 227 bytes of a public header, which no text list holds, make it LAS
// data; LAZ files are LAS files whose point format identifier has bit 7
// set. Only a regular file is looked at, so that a list read from a pipe
// loses nothing to the look.
ListFileContent list_file_content(const char *name);

}  // namespace pointsieve
