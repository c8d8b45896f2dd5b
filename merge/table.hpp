// The table of a merge: one CSV row per statistics file read, with every
// key outside the detailed families as a column.
#pragma once

#include <string>

#include "merge.hpp"

namespace pointsieve {

// The heading row, and one row per input, CSV with the name quoted where
// needed; a row replaces the former content of row.
std::string table_heading(const KeyIndex &index);
void append_table_row(std::string &row, const KeyIndex &index, const std::string &name, const InputFigures &in);

}  // namespace pointsieve
