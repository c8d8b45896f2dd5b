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

namespace {

// The length of the well-formed UTF-8 sequence at text[at], 0 when there
// is none (overlong forms, surrogates and values past U+10FFFF are not).
std::size_t sequence_length(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    const unsigned char b = byte(0);
    if (b < 0x80) return 1;
    std::size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
    if (b >= 0xC2 && b <= 0xDF) n = 2;
    else if (b >= 0xE0 && b <= 0xEF) n = 3, lo = b == 0xE0 ? 0xA0 : 0x80, hi = b == 0xED ? 0x9F : 0xBF;
    else if (b >= 0xF0 && b <= 0xF4) n = 4, lo = b == 0xF0 ? 0x90 : 0x80, hi = b == 0xF4 ? 0x8F : 0xBF;
    if (n == 0 || at + n > text.size() || byte(1) < lo || byte(1) > hi) return 0;
    for (std::size_t k = 2; k < n; ++k)
        if ((byte(k) & 0xC0) != 0x80) return 0;
    return n;
}

}  // namespace

std::string utf8_text(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t n = sequence_length(text, at);
        if (n == 0) {
            static const char kHex[] = "0123456789ABCDEF";
            const auto b = static_cast<unsigned char>(text[at++]);
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
            continue;
        }
        out.append(text, at, n);
        at += n;
    }
    return out;
}

}  // namespace pointsieve::qa
