// Text cells of the tables kept from spreadsheets' formulas: a cell that
// would begin with =, +, -, @, a tab or a CR (or with the apostrophe itself)
// is written after an apostrophe, which spreadsheet tools take as "text
// follows" and do not show; numbers (-12.5) are written as they are. Reading
// a table back takes the apostrophe off, so that a name reads as given.
#pragma once

#include <string>
#include <string_view>

namespace pointsieve::qa {

// Whether text is a decimal number: a sign, digits with at most one point,
// and an exponent ("-0.5", "2", "1e3", ".25"); never a hexadecimal number,
// an infinity or a NaN, which strtod would take.
bool is_decimal_number(std::string_view text);

// Whether text is written after an apostrophe.
bool needs_guard(std::string_view text);

// Appends text to cell, after an apostrophe where it needs one.
void append_guarded(std::string &cell, std::string_view text);

// Before a TSV field whose escaped text (a tab written \t) would need one,
// appends the apostrophe to line.
void guard_tsv_cell(std::string &line, std::string_view field);

// Takes the apostrophe that append_guarded put before text off cell.
void unguard_cell(std::string &cell);

// A text read from a file's header (a coordinate system's name, a unit)
// as valid UTF-8: each byte that is not part of a well-formed sequence
// written as \xNN.
std::string utf8_text(std::string_view text);

}  // namespace pointsieve::qa
