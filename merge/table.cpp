// The table of a merge, written row by row as the inputs are read.
#include "table.hpp"

#include <charconv>

namespace pointsieve {

namespace {

// The lines of the layout that have a table column: all but the detailed
// sections.
bool has_column(const FileLine &line) {
    return line.section < 0 || !kSections[static_cast<std::size_t>(line.section)].detailed;
}

// Return numbers and numbers of returns above 9, which only the LAS 1.4
// point formats hold, come last, so that the columns of earlier tables keep
// their places.
bool widened_return(const FileLine &line) {
    if (line.section < 0 || line.index <= 9) return false;
    const Histogram h = kSections[static_cast<std::size_t>(line.section)].histogram;
    return h == Histogram::ReturnNumber || h == Histogram::NumberOfReturns;
}

// The lines with a column, in column order.
template <class F>
void for_each_column(const KeyIndex &index, F &&f) {
    for (const bool widened : {false, true})
        for (std::uint32_t k = 0; k < index.lines.size() && has_column(index.lines[k]); ++k)
            if (widened_return(index.lines[k]) == widened) f(k);
}

void append_number(std::string &row, std::uint64_t n) {
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, n);
    row.push_back(',');
    row.append(digits, r.ptr);
}

}  // namespace

std::string table_heading(const KeyIndex &index) {
    std::string row = "File";
    for_each_column(index, [&](std::uint32_t k) {
        row += ',';
        row += key_of(index, k);
    });
    row += '\n';
    return row;
}

void append_table_row(std::string &row, const KeyIndex &index, const std::string &name, const InputFigures &in) {
    row.clear();
    // A name is quoted when it holds a comma, a quote or a line end, and
    // its quotes are doubled.
    if (name.find_first_of(",\"\r\n") == std::string::npos) {
        row = name;
    } else {
        row = '"';
        for (const char c : name) {
            if (c == '"') row += '"';
            row += c;
        }
        row += '"';
    }
    for_each_column(index, [&](std::uint32_t k) {
        const FileLine &line = index.lines[k];
        if (line.section < 0 && line.index == TotalPoints) {
            append_number(row, in.total);
        } else if (line.section < 0) {
            row += ',';
            row += in.values[static_cast<std::size_t>(line.index)];
        } else {
            append_number(row, input_bin(in, kSections[static_cast<std::size_t>(line.section)].histogram, line.index));
        }
    });
    row += '\n';
}

}  // namespace pointsieve
