// A row of tiles.csv as the report reads it: its columns found by their
// heading names, its verdicts and their marks, and the words of a check.
#pragma once

#include <string>
#include <vector>

#include "verdict.hpp"

namespace pointsieve::qa::report {

const char *verdict_word(Verdict v);    // "pass", "warn", "fail", "n/a"
const char *verdict_mark(Verdict v);    // a check mark, "!", a cross, a dash

// Where the columns of tiles.csv are, found by their heading names (-1 when
// absent), and the check columns in their order.
struct Columns {
    int tile = -1, status = -1, reason = -1, las_version = -1, point_format = -1, declared = -1, read = -1;
    int x_min = -1, x_max = -1, y_min = -1, y_max = -1, z_min = -1, z_max = -1;
    int gps_encoding = -1, gps_min = -1, gps_max = -1, density = -1;
    int crs = -1, horizontal_unit = -1, density_m2 = -1, first_density_m2 = -1;
    int extra_bytes = -1, compression = -1, file_bytes = -1;
    std::vector<int> checks;
    std::vector<std::string> check_names;
};
Columns find_columns(const std::vector<std::string> &heading);
const std::string &field(const std::vector<std::string> &row, int column);

// The worst verdict of a row's check cells, and whether the tile was read.
Verdict worst_verdict(const Columns &c, const std::vector<std::string> &row);
bool was_read(const Columns &c, const std::vector<std::string> &row);
bool parse_number(const std::string &text, double &value);

// A check's name in a few words for map labels ("low density"), and what
// it looks for, for the verdict grid; from the check table.
const char *check_words(const std::string &check);
const char *check_meaning(const std::string &check);

}  // namespace pointsieve::qa::report
