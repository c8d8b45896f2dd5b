// The tables of an audit read back row by row: CSV (RFC 4180) or TSV,
// through a block buffer, so that a table of any length takes the memory of
// one row.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "file_util.hpp"

namespace pointsieve::qa {

struct TableReader {
    korvane::FilePtr file;
    std::vector<char> block;
    std::size_t pos = 0, end = 0;
    char separator = ',';
    bool quoting = true;    // TSV lines carry no quotes
    bool failed = false;    // a read error (errno tells why)
    bool cut_short = false; // the last row read ended inside a quoted field
};

// Opens the table called name; false, with errno set, when it cannot be
// opened. separator ',' reads CSV, '\t' TSV.
bool open_table(TableReader &t, const std::string &name, char separator);

// Reads the table from file, an open stream, from where it stands.
void adopt_table(TableReader &t, korvane::FilePtr file, char separator);

// Reads the next row into fields (reusing their storage); false at the end
// of the table or on a read error (t.failed then). A row ends at LF, at CR
// LF, or at a CR that ends the table; a lone CR elsewhere stays in its field.
// CSV fields may be quoted and then hold commas, quotes, CR and LF (RFC
// 4180); in TSV the \t, \n, \r and \\ that verdicts.tsv writes for a tab,
// LF, CR and backslash in a name are read back as those bytes. Either way
// the apostrophe before a text that looks like a formula is taken off.
bool next_row(TableReader &t, std::vector<std::string> &fields);

}  // namespace pointsieve::qa
