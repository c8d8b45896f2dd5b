// Lists of file names, as every program reads them: whitespace-separated
// words, as a formatted "%s" read sees them (Pointsieve, Pointsieve-merge),
// or whole lines, so that names may hold spaces (Pointsieve-qa). Either way
// the first name loses the UTF-8 byte-order mark that Notepad puts at the
// start of a text file.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace pointsieve {

// The UTF-8 byte-order mark; it is never part of a name.
inline constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// No file can be opened by a name longer than this.
inline constexpr std::size_t kLongestListName = 4096;

// No name can be longer than the system's longest path: PATH_MAX where it
// is defined, else 4096 bytes (Windows, whose long paths pass its MAX_PATH).
#if defined(PATH_MAX) && !defined(_WIN32)
inline constexpr std::size_t kLongestListLine = PATH_MAX;
#else
inline constexpr std::size_t kLongestListLine = 4096;
#endif

// A list being read: the open file, and whether a name has come from it yet;
// for a list of one name a line, the lines read and whether the last one
// was refused for its length.
struct ListReading {
    std::FILE *file;
    bool started = false;
    std::size_t line = 0;
    bool too_long = false;
};

// Reads the next name of a list. Returns false at the end of the file (or
// at a read error, which ferror(list.file) then tells). The first word
// loses a leading byte-order mark; a first word that is only the mark is no
// name. A word longer than kLongestListName comes back in pieces of
// kLongestListName + 1 bytes, none of which can name a file, so that a list
// that never ends (a link to /dev/zero) is refused at its first piece
// instead of filling memory.
bool next_list_name(ListReading &list, std::string &name);

// Reads the next name of a list of one name a line: the line without its
// LF or CR LF end, blank lines (only spaces and tabs) skipped, the first
// line without a leading byte-order mark. Returns false at the end of the
// file or at a read error, which ferror(list.file) then tells, or at a line
// longer than kLongestListLine bytes (without its end and mark): then
// list.too_long is set and list.line is its number, and no more of the line
// is read, so that a list that never ends (/dev/zero) is refused at once.
bool next_list_line(ListReading &list, std::string &name);

}  // namespace pointsieve
