// Reading a table of the audit, one block of the file at a time.
#include "csv.hpp"

#include <cerrno>
#include <cstdio>
#include <utility>

#include "cells.hpp"

namespace pointsieve::qa {

namespace {

constexpr std::size_t kBlock = std::size_t{1} << 16;

// The next byte of the table, or -1 at its end or on a read error.
int next_byte(TableReader &t) {
    if (t.pos == t.end) {
        if (!t.file || t.failed) return -1;
        t.end = std::fread(t.block.data(), 1, t.block.size(), t.file.get());
        t.pos = 0;
        if (t.end == 0) {
            if (std::ferror(t.file.get())) {
                t.failed = true;
                if (errno == 0) errno = EIO;
            }
            return -1;
        }
    }
    return static_cast<unsigned char>(t.block[t.pos++]);
}

// A TSV field with its escapes undone.
void unescape_tsv(std::string &field) {
    if (field.find('\\') == std::string::npos) return;
    std::size_t to = 0;
    for (std::size_t from = 0; from < field.size(); ++from) {
        char c = field[from];
        if (c == '\\' && from + 1 < field.size()) {
            switch (field[from + 1]) {
                case 't': c = '\t', ++from; break;
                case 'n': c = '\n', ++from; break;
                case 'r': c = '\r', ++from; break;
                case '\\': ++from; break;
                default: break;  // not an escape the tables write: kept as it is
            }
        }
        field[to++] = c;
    }
    field.resize(to);
}

}  // namespace

bool open_table(TableReader &t, const std::string &name, char separator) {
    adopt_table(t, korvane::open_file(name.c_str(), "rb"), separator);
    return t.file != nullptr;
}

void adopt_table(TableReader &t, korvane::FilePtr file, char separator) {
    t.file = std::move(file);
    t.block.resize(kBlock);
    t.pos = t.end = 0;
    t.separator = separator;
    t.quoting = separator == ',';
    t.failed = false;
    t.cut_short = false;
}

bool next_row(TableReader &t, std::vector<std::string> &fields) {
    std::size_t n = 0;
    auto start_field = [&]() -> std::string & {
        if (n == fields.size()) fields.emplace_back();
        fields[n].clear();
        return fields[n++];
    };
    t.cut_short = false;
    int c = next_byte(t);
    if (c < 0) return false;
    std::string *f = &start_field();
    bool quoted = false;
    for (; c >= 0; c = next_byte(t)) {
        if (quoted) {
            if (c == '"') {
                const int d = next_byte(t);
                if (d == '"') {
                    f->push_back('"');
                    continue;
                }
                quoted = false;
                if (d < 0) break;
                c = d;
            } else {
                f->push_back(static_cast<char>(c));
                continue;
            }
        }
        if (c == '"' && t.quoting && f->empty()) {
            quoted = true;
        } else if (c == t.separator) {
            f = &start_field();
        } else if (c == '\n') {
            break;
        } else if (c == '\r') {
            // CR LF ends a line as LF does, and so does a CR at the end of
            // the table; a lone CR stays in the field.
            const int d = next_byte(t);
            if (d == '\n' || d < 0) break;
            f->push_back('\r');
            --t.pos;
        } else {
            f->push_back(static_cast<char>(c));
        }
    }
    t.cut_short = quoted;
    for (std::size_t k = 0; k < n; ++k) {
        unguard_cell(fields[k]);
        if (!t.quoting) unescape_tsv(fields[k]);
    }
    fields.resize(n);
    return !t.failed;
}

}  // namespace pointsieve::qa
