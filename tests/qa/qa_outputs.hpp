// What the audit's tests read of a run: the program started, the files of
// an OUTDIR, the rows of tiles.csv, the lines of verdicts.tsv.
#pragma once

#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "delivery.hpp"
#include "test_support.hpp"

namespace qa_outputs {

using testing_support::Bytes;
using Row = std::map<std::string, std::string>;  // heading -> field

// Every check, in the order of the columns of tiles.csv.
inline const char *const kChecks[] = {
    "readable",     "complete",   "points",       "header_box", "header_returns", "return_numbers", "never_classified",
    "unclassified", "withheld",   "density",      "z_span",     "gps_time",       "duplicate",      "position",
    "crs",          "gps_encoding", "header_counts", "overlap", "noise",          "z_level",        "duplicate_points",
    "intensity",    "scan_angle", "source_id",    "voids",      "interswath",     "flight_lines",   "expected",
    "file_name"};

// Whether text is UTF-8: every lead byte followed by its continuation bytes.
inline bool valid_utf8(const std::string &text) {
    for (std::size_t k = 0; k < text.size();) {
        const auto b = static_cast<unsigned char>(text[k]);
        const std::size_t n = b < 0x80 ? 1 : b >= 0xC2 && b < 0xE0 ? 2 : b >= 0xE0 && b < 0xF0 ? 3 : b >= 0xF0 && b < 0xF5 ? 4 : 0;
        if (n == 0 || k + n > text.size()) return false;
        for (std::size_t j = 1; j < n; ++j)
            if ((static_cast<unsigned char>(text[k + j]) & 0xC0) != 0x80) return false;
        k += n;
    }
    return true;
}

inline testing_support::RunResult qa(const std::vector<std::string> &args, const std::string &cwd,
                                     testing_support::RunOptions options = {}) {
    options.program = POINTSIEVE_QA_EXE;
    return testing_support::run_pointsieve(args, cwd, options);
}

// Every file under dir, by its path relative to dir.
inline std::map<std::string, Bytes> tree(const std::string &dir) {
    namespace fs = std::filesystem;
    std::map<std::string, Bytes> files;
    for (const auto &e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            files[fs::relative(e.path(), dir).generic_string()] = testing_support::read_file(e.path().string());
    return files;
}

inline testing::AssertionResult same_tree(const std::string &actual, const std::string &expected) {
    const auto a = tree(actual), e = tree(expected);
    for (const auto &[name, bytes] : e) {
        const auto it = a.find(name);
        if (it == a.end()) return testing::AssertionFailure() << actual << " lacks " << name;
        if (auto same = testing_support::same_bytes(it->second, bytes); !same) return same << " in " << name;
    }
    if (a.size() != e.size()) return testing::AssertionFailure() << actual << " holds files " << expected << " does not";
    return testing::AssertionSuccess();
}

// The records of a CSV file (RFC 4180, LF line ends), the heading first.
inline std::vector<std::vector<std::string>> read_csv_records(const std::string &path) {
    const Bytes b = testing_support::read_file(path);
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t k = 0; k < b.size(); ++k) {
        const char c = static_cast<char>(b[k]);
        if (quoted && c == '"' && k + 1 < b.size() && b[k + 1] == '"') ++k, records.back().back() += '"';
        else if (c == '"') quoted = !quoted;
        else if (!quoted && c == ',') records.back().emplace_back();
        else if (!quoted && c == '\n') records.emplace_back(1);
        else records.back().back() += c;
    }
    records.pop_back();  // after the last line end
    return records;
}

// The rows of a CSV file, keyed by the heading.
inline std::vector<Row> read_csv(const std::string &path) {
    const std::vector<std::vector<std::string>> records = read_csv_records(path);
    std::vector<Row> rows;
    for (std::size_t r = 1; r < records.size(); ++r) {
        Row row;
        for (std::size_t f = 0; f < records[0].size() && f < records[r].size(); ++f) row[records[0][f]] = records[r][f];
        rows.push_back(row);
    }
    return rows;
}

inline std::vector<std::string> lines(const std::string &path) {
    std::vector<std::string> out;
    std::istringstream in(testing_support::read_text(path));
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

inline bool has_word(const std::string &words, const std::string &word) {
    std::istringstream in(words);
    for (std::string w; in >> w;)
        if (w == word) return true;
    return false;
}

// Whether a tile's cell of a check is what its line of the table allows:
// warn or fail for a check that must flag it, anything but fail for the
// others unless tolerated.
inline testing::AssertionResult judged_as_listed(const qa_delivery::Expectation &e, const std::string &check,
                                                 const std::string &cell) {
    if (has_word(e.flagged, check) ? cell == "warn" || cell == "fail" : cell != "fail" || has_word(e.tolerated, check))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << check << ": " << cell;
}

}  // namespace qa_outputs
