// Pointsieve-qa: the audit of a delivery of LAS tiles. The records every
// step of a run shares: the tiles found, what reading one tile gives, the
// compact figures each tile is judged by, and the limits of the checks.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "merge.hpp"

namespace pointsieve::qa {

// ---- The tiles of a run (inputs.cpp) --------------------------------------

struct TileInput {
    std::string name;   // as given, or as found under a folder
    std::string stats;  // its statistics file, relative to OUTDIR ("stats/...")
    bool laz = false;   // named .laz: reported, not read
};

// Collects the tiles named on the command line, in lists (-l) and under
// folders, in order. Returns false, having printed why, when a list cannot
// be read.
struct InputWord {
    std::string text;
    bool is_list;
};
bool collect_tiles(const std::vector<InputWord> &words, std::vector<TileInput> &tiles);

// Gives every tile its statistics path: its path relative to the deepest
// folder common to all tiles, unique even where case is not told apart.
void assign_stats_paths(std::vector<TileInput> &tiles);

// The first and one-past-last index of slice k (1-based) of n near-equal
// consecutive slices of count items.
void shard_slice(std::uint64_t count, std::uint64_t k, std::uint64_t n, std::uint64_t &begin, std::uint64_t &end);

// ---- One tile (tile.cpp) --------------------------------------------------

enum class Status { Ok, Truncated, Refused, Compressed, Unreadable };
const char *status_word(Status s);

// The columns of tiles.csv up to the first check, in order.
enum Column {
    ColTile, ColStatus, ColReason, ColVersion, ColFormat, ColDeclared, ColRead, ColStats,
    ColXMin, ColXMax, ColYMin, ColYMax, ColZMin, ColZMax, ColOutside, ColHeaderReturns,
    ColReturnNumber0, ColNumberOfReturns0, ColReturnAbove, ColPulses, ColClass0, ColClass1, ColWithheld,
    ColGpsEncoding, ColGpsMin, ColGpsMax, ColArea, ColDensity, ColFootprint, ColDigest,
    kFactColumns
};
extern const std::array<const char *, kFactColumns> kColumnNames;
using FactFields = std::array<std::string, kFactColumns>;

// Reading state of one worker, kept across its tiles.
struct TileReader {
    bool detailed = false;
    Accumulator acc;
    Accumulator sums;  // the detailed histograms of the tiles read, summed
    std::vector<unsigned char> block;
    std::atomic<std::uint64_t> *bytes = nullptr;  // read so far, for the progress line
};

// Readies a reader for tiles read with or without the detailed histograms,
// counting the bytes it reads into bytes. False when its histograms do not
// fit in memory.
bool start_tile_reader(TileReader &reader, bool detailed, std::atomic<std::uint64_t> *bytes);

// Adds the detailed histograms of every tile the reader read into acc.
void add_detailed_sums(const TileReader &reader, Accumulator &acc);

// What reading one tile gave.
struct TileOutcome {
    FactFields fields;
    // The figures of its statistics file, as reading that file back would
    // give them to the merge (the detailed histograms are summed in the
    // reader: add_detailed_sums).
    InputFigures figures;
    bool write_failed = false;  // its statistics file could not be written: the run fails
    int write_errno = 0;
};

// Reads one tile, writes its statistics file under outdir when it was read,
// and fills the fields of its row.
void read_tile(TileReader &reader, const TileInput &tile, const std::string &outdir, TileOutcome &out);

// ---- The compact figures a tile is judged by (table.cpp) ------------------

struct Facts {
    Status status = Status::Refused;
    bool read = false;           // ok or truncated
    std::uint64_t declared = 0, records = 0;
    bool has_points = false;
    double x_min = 0, x_max = 0, y_min = 0, y_max = 0, z_min = 0, z_max = 0;
    std::uint64_t outside = 0;
    int header_returns = -1;     // -1 not known, 0 equal, 1 differ
    std::uint64_t return_number_0 = 0, number_of_returns_0 = 0, return_above = 0;
    std::uint64_t class_0 = 0, class_1 = 0, withheld = 0;
    int gps_encoding = -1;       // -1 none, 0 week, 1 standard
    bool has_gps = false;
    double gps_min = 0, gps_max = 0;
    bool has_density = false;
    double density = 0;
    std::uint64_t digest = 0;
};

// Reads the figures of a tile back from the texts of its row, so that a run
// and a combine of shards judge from the very same numbers.
Facts parse_facts(const FactFields &f);

// CSV: a field is quoted when it holds a comma, a quote, CR or LF.
void append_csv_field(std::string &row, const std::string &field);
// Splits one record of a CSV file read from f; false at the end of the file.
bool read_csv_record(std::FILE *f, std::vector<std::string> &fields, bool &cut_short);

// ---- The checks and their limits (checks.cpp) -----------------------------

enum Check {
    Readable, Complete, Points, HeaderBox, HeaderReturns, ReturnNumbers, NeverClassified, Unclassified,
    Withheld, Density, ZSpan, GpsTime, Duplicate, Position, kCheckCount
};
extern const std::array<const char *, kCheckCount> kCheckNames;

// One criterion of a check, with its two limits. A criterion "above"
// flags a value above its limit, a "below" one a value below it.
struct Criterion {
    const char *name;
    Check check;
    bool below;
    double warn, fail;
    const char *unit;     // what is measured, for --print-limits
};

struct Limits {
    std::vector<Criterion> criteria;
    std::array<bool, kCheckCount> check_off{};
    std::vector<bool> criterion_off;
};

Limits default_limits();
void print_limits(std::FILE *out);
// Reads a limits file over the defaults; false, having printed the line and
// why, when the file cannot be read or a line is malformed.
bool read_limits(const char *name, Limits &limits);

enum class Verdict : char { NotApplicable = '-', Pass = 'p', Warn = 'w', Fail = 'f' };

// The delivery-relative figures, from all judged tiles.
struct Delivery {
    double median_density = 0, median_z_span = 0, median_size = 0;
    bool has_density = false, has_z_span = false, has_size = false;
    std::array<double, 2> median_gps{};  // by encoding
    std::array<bool, 2> has_gps{};
    std::vector<std::int64_t> duplicate_of;  // first other tile with the same points, -1 none
    std::vector<std::uint32_t> duplicates;   // how many others
    std::vector<double> gap, overlap;        // position figures (gap NaN: not applicable)
};

Delivery judge_delivery(const std::vector<Facts> &facts);

// The verdict of one check of tile k, and for a verdict other than pass the
// value and the limit to print.
struct Judgement {
    Verdict verdict;
    std::string value, limit;
};
// The names of the tiles, back to back, so that 100,000 names cost little
// more than their bytes.
struct TileNames {
    std::string bytes;
    std::vector<std::size_t> starts;
};
inline void add_name(TileNames &n, const std::string &name) {
    n.starts.push_back(n.bytes.size());
    n.bytes += name;
}
inline std::string name_at(const TileNames &n, std::size_t k) {
    const std::size_t end = k + 1 < n.starts.size() ? n.starts[k + 1] : n.bytes.size();
    return n.bytes.substr(n.starts[k], end - n.starts[k]);
}

Judgement judge(const Limits &limits, const Delivery &d, const std::vector<Facts> &facts, const TileNames &names,
                std::size_t k, Check check);

// The whole program; returns the exit status.
int run_audit(int argc, char **argv);

}  // namespace pointsieve::qa
