// The pieces of the delivery report: reading the audit's tables, writing
// escaped HTML, and the page's sections. Internal to the report.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "box.hpp"
#include "csv.hpp"
#include "verdict.hpp"

namespace pointsieve::qa::report {

// ---- Reading -------------------------------------------------------------

const char *verdict_word(Verdict v);    // "pass", "warn", "fail", "n/a"
const char *verdict_mark(Verdict v);    // a check mark, "!", a cross, a dash

// Where the columns of tiles.csv are, found by their heading names (-1 when
// absent), and the check columns in their order.
struct Columns {
    int tile = -1, status = -1, reason = -1, las_version = -1, point_format = -1, declared = -1, read = -1;
    int x_min = -1, x_max = -1, y_min = -1, y_max = -1, z_min = -1, z_max = -1;
    int gps_encoding = -1, gps_min = -1, gps_max = -1, density = -1;
    std::vector<int> checks;
    std::vector<std::string> check_names;
};
Columns find_columns(const std::vector<std::string> &heading);
const std::string &field(const std::vector<std::string> &row, int column);

// The worst verdict of a row's check cells, and whether the tile was read.
Verdict worst_verdict(const Columns &c, const std::vector<std::string> &row);
bool was_read(const Columns &c, const std::vector<std::string> &row);
bool parse_number(const std::string &text, double &value);

// The histograms of archive_stats.asc, as far as the page draws them.
struct ArchiveFigures {
    bool present = false;
    double total = 0;
    std::array<double, 10> by_return{};     // return number 1..9
    std::array<double, 10> by_returns{};    // number of returns 1..9
    std::array<double, 256> by_class_byte{};
    std::vector<double> intensity, scan_angle, user_data, point_source;  // detailed; empty otherwise
};
// False with errno set on a read error; a missing file leaves present false.
bool read_archive(const std::string &name, ArchiveFigures &a);

// ---- Writing -------------------------------------------------------------

// The page, collected in a buffer that is written out in large blocks.
struct Page {
    std::FILE *file = nullptr;
    std::string buffer;
    bool failed = false;
    int error = 0;  // errno of the first failure
};
void put(Page &p, std::string_view text);
void put_escaped(Page &p, std::string_view text);  // text and attribute values
#if defined(__GNUC__) && !defined(_WIN32)
void putf(Page &p, const char *format, ...) __attribute__((format(printf, 2, 3)));
#else
void putf(Page &p, const char *format, ...);
#endif
bool drain(Page &p);  // writes out what the buffer holds
std::string thousands(double count);  // 1234567 -> "1,234,567"

// ---- The page's sections -------------------------------------------------

// Beyond this many tiles the map groups the tiles that passed into cells
// and the table lists only the tiles with a finding.
inline constexpr std::size_t kGroupAbove = 20000;
// Rows of the grouped table; further tiles with findings follow by name.
inline constexpr std::size_t kTableRows = 20000;
// The table shows its first kBlockRows rows; the others sit in folded
// blocks of as many rows, and names beyond its rows in blocks of
// kBlockNames, which the browser lays out only when opened.
inline constexpr std::size_t kBlockRows = 1000, kBlockNames = 5000;

// What the first pass over tiles.csv gathers for the header block, the map
// and the verdict grid.
struct Summary {
    std::size_t tiles = 0, read_tiles = 0;
    std::vector<std::pair<std::string, std::size_t>> by_status, by_type;
    std::array<std::size_t, 4> by_worst{};  // tiles by worst verdict
    double points = 0, declared = 0;
    std::array<std::string, 6> extent_text;  // x, y, z min and max, as written
    std::array<double, 6> extent{};
    std::array<bool, 6> extent_set{};
    struct Gps {
        std::string encoding;
        double min, max;
    };
    std::vector<Gps> gps;
    std::vector<double> densities;  // tiles holding points
    double median_density = 0;
    std::vector<Box> boxes;          // read tiles with a footprint, in order
    std::size_t read_without_box = 0;
    // The tiles each check warned of and failed, by row, the first few.
    struct Named {
        std::size_t row, finding;  // finding: how many tiles with findings come before
        std::string tile;
    };
    std::vector<std::array<std::vector<Named>, 2>> listed;  // [check][0 warn, 1 fail]
    std::vector<std::array<std::size_t, 2>> listed_total;
    std::size_t findings = 0;  // tiles not read or with a warn or fail
};
inline constexpr std::size_t kListedPerCheck = 60;

bool summarise(const std::string &tiles_csv, Columns &columns, Summary &s);

// The map: footprints filled by density, outlined by verdict, a second
// panel for far tiles. Reads tiles.csv once more.
bool write_map(Page &p, const std::string &tiles_csv, const Columns &c, const Summary &s);

// A check's name in a few words for map labels ("low density"), and what
// it looks for, for the verdict grid.
const char *check_words(const std::string &check);
const char *check_meaning(const std::string &check);

// The viridis scale, t in [0, 1], as "#rrggbb".
std::string viridis(double t);

}  // namespace pointsieve::qa::report
