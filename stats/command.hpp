// The Pointsieve command: input classification, validation and the run
// itself.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace pointsieve {

// The UTF-8 byte-order mark that Notepad puts before the first name of a
// list; it is not part of the name.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// No file can be opened by a name longer than this.
inline constexpr std::size_t kLongestListName = 4096;

// Reads the next whitespace-separated name of a list file, as a formatted
// "%s" read sees it. Returns false at the end of the file. A word longer than
// kLongestListName comes back in pieces of kLongestListName + 1 bytes, none of
// which can name a file, so that a list that never ends (a link to
// /dev/zero) is refused at its first piece instead of filling memory.
bool next_list_name(std::FILE *list, std::string &name);

// The whole command; returns the exit status (ends the process early on
// errors, with status 255).
int run_command(int argc, char **argv);

}  // namespace pointsieve
