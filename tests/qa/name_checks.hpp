// What the tables, the statistics paths and the report must make of tile
// names holding any byte: the checks of test_qa_mends.cpp.
#pragma once

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "qa_outputs.hpp"
#include "test_support.hpp"

namespace name_checks {

using namespace testing_support;
using namespace qa_outputs;
namespace fs = std::filesystem;

// Text as the report writes it into its page (qa/report_page.cpp).
inline std::string html(const std::string &text) {
    std::string out;
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '&') out += "&amp;";
        else if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '"') out += "&quot;";
        else if (c == '\'') out += "&#39;";
        else if (c < 0x20 || c == 0x7F) out += "&#" + std::to_string(c) + ";";
        else out += ch;
    }
    return out;
}

// A name as verdicts.tsv writes it.
inline std::string tsv(const std::string &text) {
    std::string out;
    for (const char c : text) {
        if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\\') out += "\\\\";
        else out += c;
    }
    return out;
}

inline std::vector<std::string> split(const std::string &line, char separator) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == separator) fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

// Every tile of the names has its row, whole and in order, its statistics
// file, its lines in verdicts.tsv and its row in the report.
inline void check_names(const std::string &dir, const std::vector<std::string> &names) {
    const std::vector<std::vector<std::string>> records = read_csv_records(dir + "/out/tiles.csv");
    ASSERT_EQ(records.size(), names.size() + 1);
    const std::vector<std::string> &heading = records[0];
    std::size_t findings = 0;
    for (std::size_t r = 1; r < records.size(); ++r) {
        const std::vector<std::string> &row = records[r];
        SCOPED_TRACE(names[r - 1]);
        ASSERT_EQ(row.size(), heading.size());
        EXPECT_EQ(row[0], names[r - 1]);
        EXPECT_EQ(row[1], "ok");
        EXPECT_TRUE(fs::is_regular_file(dir + "/out/" + row[7])) << row[7];
        for (std::size_t f = 0; f < heading.size(); ++f)
            if (heading[f].starts_with("check:") && (row[f] == "warn" || row[f] == "fail")) ++findings;
    }
    // verdicts.tsv: the findings of each tile under its escaped name, in
    // tile order, then the totals.
    const std::vector<std::string> listed = lines(dir + "/out/verdicts.tsv");
    ASSERT_EQ(listed.size(), findings + std::size(kChecks));
    std::size_t at = 0;
    for (std::size_t k = 0; k < findings; ++k) {
        const std::vector<std::string> f = split(listed[k], '\t');
        ASSERT_EQ(f.size(), 5u) << listed[k];
        while (at < names.size() && f[2] != tsv(names[at])) ++at;
        EXPECT_LT(at, names.size()) << listed[k];
    }
    // The report: a row of the table per tile, each name as given.
    const std::string page = read_text(dir + "/out/report.html");
    std::size_t rows = 0;
    for (std::size_t p = 0; (p = page.find("<tr id=\"t", p)) != std::string::npos; ++p) ++rows;
    EXPECT_EQ(rows, names.size());
    for (const std::string &name : names) EXPECT_NE(page.find(">" + html(name) + "</td>"), std::string::npos) << name;
    // The duplicates' marks name the other tile, read back from verdicts.tsv.
    for (const std::string &other : {names.front(), names.back()})
        EXPECT_NE(page.find("title=\"fail: " + html(other) + " (limit &gt;0)\""), std::string::npos) << other;
}

// A combine of two shards gives the one run's tables (but for the stats
// column, which points into the shards).
inline void check_combine(const std::string &dir, const std::vector<std::string> &names) {
    for (const char *k : {"1", "2"}) {
        std::vector<std::string> args = {"--shard", std::string(k) + "/2", "-o", std::string("s") + k};
        args.insert(args.end(), names.begin(), names.end());
        ASSERT_LE(qa(args, dir).status, 1);
    }
    ASSERT_LE(qa({"--combine", "-o", "c", "s1", "s2"}, dir).status, 1);
    std::vector<std::vector<std::string>> one = read_csv_records(dir + "/out/tiles.csv"),
                                          combined = read_csv_records(dir + "/c/tiles.csv");
    ASSERT_EQ(combined.size(), one.size());
    for (std::size_t r = 1; r < one.size(); ++r) {
        ASSERT_EQ(combined[r].size(), one[r].size());
        combined[r][7] = one[r][7];
        EXPECT_EQ(combined[r], one[r]);
    }
    EXPECT_EQ(read_file(dir + "/c/verdicts.tsv"), read_file(dir + "/out/verdicts.tsv"));
    check_names(dir, names);
}

}  // namespace name_checks
