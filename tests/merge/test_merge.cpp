// Pointsieve-merge: the merge of any split of a run equals the run, and bad
// statistics files are refused. Everything runs through the built programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <map>
#include <random>
#include <sstream>

#include "test_support.hpp"

using namespace testing_support;

namespace {

const std::string kMerge = POINTSIEVE_MERGE_EXE;

// The (version, format) pair of each LAS type, 1 to 8.
struct LasType {
    uint8_t minor, format;
};
const LasType kTypes[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}, {2, 3}};

// A small generator whose numbers are the same with every standard library.
struct Random {
    std::mt19937 engine;
    explicit Random(unsigned seed) : engine(seed) {}
    uint32_t below(uint32_t n) { return static_cast<uint32_t>(engine() % n); }
    double between(double low, double high) { return low + (high - low) * (engine() / 4294967296.0); }
};

// Which GPS times a file's points carry.
enum class Times { Mixed, AllNegative, AllNaN, NotNegative, Zeros };

// +0.0 or -0.0, which compare equal.
double signed_zero(Random &rng) { return rng.below(2) ? 0.0 : -0.0; }

// A tile at the origin has minima of 0 or above and maxima of 0 or below,
// so that the zeros of its tiles decide the extents of a run.
LasRecipe random_tile(Random &rng, const LasType &type, int points, Times times, bool at_origin = false) {
    LasRecipe r;
    r.minor = type.minor;
    r.format = type.format;
    r.MinX = rng.between(-5000, 5000), r.MaxX = r.MinX + rng.between(0, 900);
    r.MinY = rng.between(-5000, 5000), r.MaxY = r.MinY + rng.between(0, 900);
    r.MinZ = rng.between(-100, 100), r.MaxZ = r.MinZ + rng.between(0, 900);
    if (at_origin) {
        for (double *low : {&r.MinX, &r.MinY, &r.MinZ}) *low = rng.below(2) ? signed_zero(rng) : rng.between(0, 900);
        for (double *high : {&r.MaxX, &r.MaxY, &r.MaxZ}) *high = rng.below(2) ? signed_zero(rng) : -rng.between(0, 900);
    }
    for (int k = 0; k < points; ++k) {
        Point p;
        p.bitfield = static_cast<uint8_t>(rng.below(64));  // return and number 0 to 7
        p.Classification = static_cast<uint8_t>(rng.below(4) == 0 ? rng.below(256) : rng.below(3));  // flags too
        p.Intensity = static_cast<uint16_t>(rng.below(2) ? rng.below(65536) : rng.below(50));
        p.ScanAngleRank = static_cast<uint8_t>(rng.below(256));
        p.UserData = static_cast<uint8_t>(rng.below(256));
        p.PointSourceID = static_cast<uint16_t>(rng.below(3) ? rng.below(20) : rng.below(65536));
        switch (times) {
            case Times::Mixed: p.GPSTime = rng.between(-2e8, 5e8); break;
            case Times::AllNegative: p.GPSTime = -rng.between(1, 1e6); break;
            case Times::AllNaN: p.GPSTime = std::numeric_limits<double>::quiet_NaN(); break;
            case Times::NotNegative: p.GPSTime = rng.below(4) ? rng.between(0, 5e8) : signed_zero(rng); break;
            case Times::Zeros: p.GPSTime = signed_zero(rng); break;
        }
        r.points.push_back(p);
    }
    return r;
}

// The tiles of one LAS type: ordinary ones, one without points, and for
// the types with GPS time one whose times are all negative and one whose
// times are all NaN. Tiles at the origin (one type in two) have signed
// zeros for extents and GPS times where the others have extremes.
std::vector<std::string> make_tiles(Random &rng, const TempDir &dir, int type_code) {
    const bool o = rng.below(2) == 0;
    const LasType &type = kTypes[type_code - 1];
    std::vector<std::string> names;
    const auto add = [&](const LasRecipe &recipe) {
        char name[32];
        std::snprintf(name, sizeof name, "t%d_%zu.las", type_code, names.size());
        write_las(dir.file(name), recipe);
        names.push_back(name);
    };
    for (int k = 0; k < 4; ++k)
        add(random_tile(rng, type, 1 + static_cast<int>(rng.below(60)), o ? Times::NotNegative : Times::Mixed, o));
    add(random_tile(rng, type, 0, Times::Mixed, o));
    add(random_tile(rng, type, 20, o ? Times::Zeros : Times::AllNegative, o));
    add(random_tile(rng, type, 10, Times::AllNaN, o));
    return names;
}

// The report lines from the point total to the last section.
std::string report_body(const std::string &out) {
    const std::size_t begin = out.find("Total points :");
    const std::size_t end = out.rfind("\nElapsed time ");
    if (begin == std::string::npos || end == std::string::npos || end < begin) return "no report in:\n" + out;
    return out.substr(begin, end - begin);
}

struct Summary {
    std::string stats;   // the statistics file
    std::string report;  // report_body of the output
};

// One Pointsieve run over names, through a list called list.
Summary run_list(const TempDir &dir, const std::vector<std::string> &names, const std::string &list, bool detailed) {
    std::string text;
    for (const std::string &n : names) text += n + "\n";
    write_text(dir.file(list + ".txt"), text);
    std::vector<std::string> args{list + ".txt", "-s"};
    if (detailed) args.push_back("-d");
    const RunResult r = run_pointsieve(args, dir.path());
    EXPECT_EQ(r.status, 0) << r.out;
    return {read_text(dir.file(list + "_stats.asc")), report_body(r.out)};
}

// A Pointsieve-merge run over inputs into merged.asc and table.csv.
Summary run_merge(const TempDir &dir, const std::vector<std::string> &inputs, RunResult *result = nullptr) {
    std::vector<std::string> args{"-o", "merged.asc", "-t", "table.csv"};
    args.insert(args.end(), inputs.begin(), inputs.end());
    RunOptions options;
    options.program = kMerge;
    const RunResult r = run_pointsieve(args, dir.path(), options);
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("\nSummary of " + std::to_string(inputs.size()) + " statistics files\n\n"), std::string::npos);
    if (result) *result = r;
    return {read_text(dir.file("merged.asc")), report_body(r.out)};
}

// Splits names at random into 1 to 4 shards, in a random order.
std::vector<std::vector<std::string>> random_split(Random &rng, std::vector<std::string> names) {
    for (std::size_t k = names.size(); k > 1; --k) std::swap(names[k - 1], names[rng.below(static_cast<uint32_t>(k))]);
    std::vector<std::vector<std::string>> shards(1 + rng.below(4));
    for (std::size_t k = 0; k < names.size(); ++k)
        shards[k < shards.size() ? k : rng.below(static_cast<uint32_t>(shards.size()))].push_back(names[k]);
    return shards;
}

// Every value of a statistics file by key ("" for a bare key).
std::map<std::string, std::string> stats_values(const std::string &text) {
    std::map<std::string, std::string> values;
    std::istringstream in(text);
    std::string key, value;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        words >> key;
        value.clear();
        words >> value;
        values[key] = value;
    }
    return values;
}

std::vector<std::string> csv_fields(const std::string &line) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == ',')
            fields.emplace_back();
        else
            fields.back().push_back(c);
    }
    return fields;
}

// Each row of the table holds the figures of its input's statistics file.
void expect_table_rows(const TempDir &dir, const std::vector<std::string> &inputs) {
    std::istringstream table(read_text(dir.file("table.csv")));
    std::string line;
    std::getline(table, line);
    const std::vector<std::string> heading = csv_fields(line);
    ASSERT_EQ(heading.size(), 1u + 9 + 18 + 256 + 12);  // returns 10 to 15 last
    for (const std::string &input : inputs) {
        ASSERT_TRUE(std::getline(table, line)) << input;
        const std::vector<std::string> row = csv_fields(line);
        ASSERT_EQ(row.size(), heading.size()) << line;
        EXPECT_EQ(row[0], input);
        const auto values = stats_values(read_text(dir.file(input)));
        for (std::size_t k = 1; k < heading.size(); ++k) {
            const auto found = values.find(heading[k]);
            EXPECT_EQ(row[k], found == values.end() ? "0" : found->second) << input << " " << heading[k];
        }
    }
    EXPECT_FALSE(std::getline(table, line)) << line;
}

// Any split of a list of one LAS type, merged, gives the statistics file and
// the report of one run over the whole list, with and without -d.
TEST(MergeProperty, AnySplitOfEveryLasTypeMergesToTheWholeRun) {
    TempDir dir;
    Random rng(18);
    for (int type = 1; type <= 8; ++type) {
        const std::vector<std::string> tiles = make_tiles(rng, dir, type);
        for (const bool detailed : {false, true}) {
            SCOPED_TRACE("type " + std::to_string(type) + (detailed ? " -d" : ""));
            const Summary whole = run_list(dir, tiles, "whole", detailed);
            // One run does not depend on the order of its files.
            const Summary reversed = run_list(dir, {tiles.rbegin(), tiles.rend()}, "whole", detailed);
            EXPECT_EQ(reversed.stats, whole.stats);
            EXPECT_EQ(reversed.report, whole.report);
            for (int round = 0; round < 2; ++round) {
                std::vector<std::string> inputs;
                for (const std::vector<std::string> &shard : random_split(rng, tiles)) {
                    const std::string list = "shard" + std::to_string(inputs.size());
                    run_list(dir, shard, list, detailed);
                    inputs.push_back(list + "_stats.asc");
                }
                const Summary merged = run_merge(dir, inputs);
                EXPECT_EQ(merged.stats, whole.stats);
                EXPECT_EQ(merged.report, whole.report);
                expect_table_rows(dir, inputs);
            }
        }
    }
}

// Shards of every LAS type merge at once into what the merge of one run per
// type gives; inputs with bare GPS keys take the GPS range of the others.
TEST(MergeProperty, MixedLasTypesMergeAsTheirRunsPerType) {
    TempDir dir;
    Random rng(1804);
    for (const bool detailed : {false, true}) {
        SCOPED_TRACE(detailed ? "-d" : "without -d");
        std::vector<std::string> per_type, shards;
        for (int type = 1; type <= 8; ++type) {
            const std::vector<std::string> tiles = make_tiles(rng, dir, type);
            const std::string whole = "type" + std::to_string(type);
            run_list(dir, tiles, whole, detailed);
            per_type.push_back(whole + "_stats.asc");
            for (const std::vector<std::string> &shard : random_split(rng, tiles)) {
                const std::string list = "mixed" + std::to_string(shards.size());
                run_list(dir, shard, list, detailed);
                shards.push_back(list + "_stats.asc");
            }
        }
        const Summary by_type = run_merge(dir, per_type);
        std::reverse(shards.begin(), shards.end());
        const Summary all = run_merge(dir, shards);
        EXPECT_EQ(all.stats, by_type.stats);
        EXPECT_EQ(all.report, by_type.report);
        EXPECT_NE(all.stats.find("GPSTimeMin "), std::string::npos);

        // Only bare inputs give bare keys.
        const Summary bare = run_merge(dir, {per_type[0], per_type[2]});
        EXPECT_NE(bare.stats.find("\nGPSTimeMin\nGPSTimeMax\n"), std::string::npos);
        EXPECT_NE(bare.report.find("GPS Time range : \n"), std::string::npos);
    }
}

// Names in a list and on the command line, in order.
TEST(MergeCommand, ListsAndNamesInOrder) {
    TempDir dir;
    Random rng(7);
    const std::vector<std::string> tiles = make_tiles(rng, dir, 8);
    const Summary whole = run_list(dir, tiles, "whole", false);
    run_list(dir, {tiles[0], tiles[1]}, "a", false);
    run_list(dir, {tiles[2]}, "b", false);
    run_list(dir, {tiles[3], tiles[4], tiles[5], tiles[6]}, "c,d", false);
    // A byte-order mark, CR LF line ends and names separated by any space.
    write_text(dir.file("names.lst"), "\xEF\xBB\xBF" "a_stats.asc\r\n\tc,d_stats.asc  \r\n");
    std::string crlf;
    for (const char c : read_text(dir.file("b_stats.asc"))) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    write_text(dir.file("b_stats.asc"), crlf);
    RunResult r;
    const Summary merged = run_merge(dir, {"b_stats.asc", "-l", "names.lst"}, &r);
    EXPECT_EQ(merged.stats, whole.stats);
    EXPECT_EQ(merged.report, whole.report);
    EXPECT_EQ(r.out.substr(0, banner().size()), banner());
    const std::string table = read_text(dir.file("table.csv"));
    const std::size_t row2 = table.find("\na_stats.asc,"), row3 = table.find("\n\"c,d_stats.asc\",");
    EXPECT_NE(table.find("\nb_stats.asc,"), std::string::npos);
    EXPECT_TRUE(row2 != std::string::npos && row3 != std::string::npos && row2 < row3) << table;

}

}  // namespace
