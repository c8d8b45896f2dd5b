// The apostrophe before a text cell that a spreadsheet would take as a
// formula.
#include "cells.hpp"

namespace pointsieve::qa {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

bool starts_formula(char c) {
    return c == '=' || c == '+' || c == '-' || c == '@' || c == '\t' || c == '\r' || c == '\'';
}

}  // namespace

bool is_decimal_number(std::string_view t) {
    std::size_t k = 0, digits = 0;
    if (k < t.size() && (t[k] == '-' || t[k] == '+')) ++k;
    for (; k < t.size() && is_digit(t[k]); ++k) ++digits;
    if (k < t.size() && t[k] == '.')
        for (++k; k < t.size() && is_digit(t[k]); ++k) ++digits;
    if (digits == 0) return false;
    if (k < t.size() && (t[k] == 'e' || t[k] == 'E')) {
        ++k;
        if (k < t.size() && (t[k] == '-' || t[k] == '+')) ++k;
        if (k == t.size() || !is_digit(t[k])) return false;
        while (k < t.size() && is_digit(t[k])) ++k;
    }
    return k == t.size();
}

bool needs_guard(std::string_view text) {
    return !text.empty() && starts_formula(text[0]) && !is_decimal_number(text);
}

void append_guarded(std::string &cell, std::string_view text) {
    if (needs_guard(text)) cell += '\'';
    cell += text;
}

void guard_tsv_cell(std::string &line, std::string_view field) {
    if (needs_guard(field) && field[0] != '\t' && field[0] != '\r') line += '\'';
}

void unguard_cell(std::string &cell) {
    if (cell.size() >= 2 && cell[0] == '\'' && needs_guard(std::string_view(cell).substr(1))) cell.erase(0, 1);
}

}  // namespace pointsieve::qa
