// Pointsieve-qa on the generated LAS 1.4 delivery: every tile judged as the
// delivery's table says, with the coordinate system, count, density,
// overlap and channel columns the generator knows; the same outputs for any
// -j and any sharding; and the statistics of returns to 15 and of scan
// angles in steps of 0.006 degrees.
#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include "delivery14.hpp"
#include "las14_writer.hpp"
#include "qa_outputs.hpp"

using namespace testing_support;
using namespace qa_outputs;

namespace {

const char *const kNewColumns[] = {"crs",        "crs_source", "horizontal_unit", "vertical_unit",
                                   "wkt_bit",    "legacy_counts", "density_m2",   "first_density_m2",
                                   "overlap",    "scanner_channels", "extra_bytes"};

class Audit14 : public testing::Test {
protected:
    TempDir tmp;
    const std::vector<qa_delivery::Expectation14> table = qa_delivery::make_delivery14(tmp.file("delivery"));
    void SetUp() override { write_text(tmp.file("limits.txt"), qa_delivery::kLimits14); }
};

TEST_F(Audit14, JudgesEveryTileAsTheDeliveryTableSays) {
    const RunResult r = qa({"--limits", "limits.txt", "-j", "2", "-o", "out", "delivery"}, tmp.path());
    EXPECT_EQ(r.status, 1) << r.out;
    // The new columns after the digest, the new checks after the fourteen.
    const std::vector<std::string> heading = read_csv_records(tmp.file("out/tiles.csv")).at(0);
    const auto digest = std::find(heading.begin(), heading.end(), "digest");
    ASSERT_LT(digest + static_cast<std::ptrdiff_t>(std::size(kNewColumns)), heading.end());
    EXPECT_EQ(std::vector<std::string>(digest + 1, digest + 1 + std::size(kNewColumns)),
              std::vector<std::string>(std::begin(kNewColumns), std::end(kNewColumns)));
    std::vector<std::string> checks;
    for (const char *c : kChecks) checks.push_back(std::string("check:") + c);
    ASSERT_GE(heading.size(), checks.size());
    EXPECT_EQ(std::vector<std::string>(heading.end() - static_cast<std::ptrdiff_t>(checks.size()), heading.end()), checks);

    const std::vector<Row> rows = read_csv(tmp.file("out/tiles.csv"));
    ASSERT_EQ(rows.size(), table.size());
    std::size_t flagged_cells = 0;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const qa_delivery::Expectation &e = table[k].tile;
        Row row = rows[k];
        SCOPED_TRACE(e.path);
        EXPECT_EQ(row["tile"], "delivery/" + e.path);
        EXPECT_EQ(row["status"], e.status) << row["reason"];
        for (const char *check : kChecks) {
            const std::string cell = row[std::string("check:") + check];
            EXPECT_TRUE(judged_as_listed(e, check, cell));
            flagged_cells += cell == "warn" || cell == "fail";
        }
        for (const auto &[column, want] : table[k].columns) {
            const std::string got = row[column];
            if (column.find("density") != std::string::npos && !want.empty()) {  // to three significant digits
                const double w = std::strtod(want.c_str(), nullptr);
                EXPECT_NEAR(std::strtod(got.c_str(), nullptr), w, 5e-3 * w) << column << ": " << got;
            } else {
                EXPECT_EQ(got, want) << column;
            }
        }
    }
    EXPECT_EQ(lines(tmp.file("out/verdicts.tsv")).size(), flagged_cells + std::size(kChecks));
    EXPECT_TRUE(valid_utf8(read_text(tmp.file("out/tiles.csv"))));
    EXPECT_TRUE(valid_utf8(read_text(tmp.file("out/verdicts.tsv"))));

    // Alone, the low-density tile is its own median: only the first-return
    // floor can fail it.
    ASSERT_EQ(qa({"--limits", "limits.txt", "-o", "floor", "delivery/defects/low_density.las"}, tmp.path()).status, 1);
    EXPECT_EQ(read_csv(tmp.file("floor/tiles.csv")).at(0)["check:density"], "fail");
    EXPECT_NE(read_text(tmp.file("floor/verdicts.tsv")).find("first_density_floor_m2"), std::string::npos);

    // The new limits and their defaults.
    const RunResult printed = qa({"--print-limits"}, tmp.path());
    ASSERT_EQ(printed.status, 0);
    std::map<std::string, std::map<std::string, double>> limits;
    std::istringstream in(printed.out);
    for (std::string line, name, level; std::getline(in, line);) {
        double value = 0;
        if (line.empty() || line[0] == '#' || !(std::istringstream(line) >> name >> level >> value)) continue;
        limits[name][level] = value;
    }
    for (const char *name : {"crs_mismatch", "crs_wkt_missing", "crs_wkt_bit", "gps_encoding_mismatch", "gps_week_time",
                             "header_counts", "overlap", "density_floor_m2", "first_density_floor_m2"})
        EXPECT_TRUE(limits.count(name)) << name;
    EXPECT_EQ(limits["overlap"], (std::map<std::string, double>{{"fail", 50}, {"warn", 25}}));
    EXPECT_EQ(limits["first_density_floor_m2"]["fail"], 0);
}

TEST_F(Audit14, OutputsAreTheSameForAnyJAndAnySharding) {
    const std::vector<std::string> common = {"--limits", "limits.txt", "-d"};
    const auto run = [&](std::vector<std::string> args) {
        args.insert(args.begin(), common.begin(), common.end());
        return qa(args, tmp.path());
    };
    ASSERT_EQ(run({"-j", "1", "-o", "one", "delivery"}).status, 1);
    ASSERT_EQ(run({"-j", "2", "-o", "two", "delivery"}).status, 1);
    EXPECT_TRUE(same_tree(tmp.file("two"), tmp.file("one")));

    std::vector<std::string> combine = {"--limits", "limits.txt", "--combine", "-o", "all"};  // takes no -d
    for (int k = 1; k <= 3; ++k) {
        combine.push_back("shard_" + std::to_string(k));
        const RunResult s = run({"--shard", std::to_string(k) + "/3", "-o", combine.back(), "delivery"});
        EXPECT_TRUE(s.status == 0 || s.status == 1) << s.status << s.out;
    }
    ASSERT_EQ(qa(combine, tmp.path()).status, 1);
    for (const char *name : {"verdicts.tsv", "archive_stats.asc"})
        EXPECT_TRUE(same_bytes(read_file(tmp.file(std::string("all/") + name)), read_file(tmp.file(std::string("one/") + name))))
            << name;
    const std::vector<Row> rows = read_csv(tmp.file("one/tiles.csv")), combined = read_csv(tmp.file("all/tiles.csv"));
    ASSERT_EQ(combined.size(), rows.size());
    RunOptions merge;
    merge.program = POINTSIEVE_MERGE_EXE;
    std::vector<std::string> merge_args = {"-o", "merged.asc"};
    for (std::size_t k = 0; k < rows.size(); ++k) {
        Row want = rows[k], got = combined[k];
        SCOPED_TRACE(want["tile"]);
        if (!want["stats"].empty()) {  // the combine points into the shards' folders
            EXPECT_TRUE(same_bytes(read_file(tmp.file("all/" + got["stats"])), read_file(tmp.file("one/" + want["stats"]))));
            merge_args.push_back("one/" + want["stats"]);
        }
        got["stats"] = want["stats"];
        EXPECT_EQ(got, want);
    }
    ASSERT_EQ(run_pointsieve(merge_args, tmp.path(), merge).status, 0);
    EXPECT_TRUE(same_bytes(read_file(tmp.file("one/archive_stats.asc")), read_file(tmp.file("merged.asc"))));
}

TEST(Audit14Statistics, ReturnsTo15AndScanAnglesInWholeDegrees) {
    TempDir tmp;
    Las14Recipe r;
    r.global_encoding = 1 | 16;
    r.vlrs = {wkt_vlr(nad83_utm_wkt(26910, true))};
    // Return, of returns, class, scan angle in steps of 0.006 degrees.
    const int points[][4] = {{15, 15, 64, -5000}, {12, 15, 2, 83}, {1, 1, 2, 84}, {1, 1, 2, -84}, {13, 13, 2, 5000}};
    for (const auto &p : points) {
        Las14Point q;
        q.X = static_cast<int32_t>(100 * r.points.size()), q.Y = q.X, q.gps_time = 3.5e8 + q.X;
        q.return_number = static_cast<uint8_t>(p[0]), q.number_of_returns = static_cast<uint8_t>(p[1]);
        q.classification = static_cast<uint8_t>(p[2]), q.scan_angle = static_cast<int16_t>(p[3]);
        r.points.push_back(q);
    }
    write_las14(tmp.file("t15.las"), r);
    ASSERT_LE(qa({"-d", "-o", "out", "t15.las"}, tmp.path()).status, 1);
    const std::vector<Row> rows = read_csv(tmp.file("out/tiles.csv"));
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].at("status"), "ok") << rows[0].at("reason");
    std::map<std::string, std::string> stats;
    std::istringstream in(read_text(tmp.file("out/" + rows[0].at("stats"))));
    for (std::string key, value; in >> key >> value;) stats[key] = value;
    // -0.504 and 0.504 degrees round away from 0, 0.498 to 0.
    const std::map<std::string, std::string> want = {
        {"1stReturns", "2"},         {"12thReturns", "1"},       {"13thReturns", "1"},      {"15thReturns", "1"},
        {"NumberReturns1", "2"},     {"NumberReturns13", "1"},   {"NumberReturns15", "2"},  {"Class002", "4"},
        {"Class064", "1"},           {"ScanAngleRank-030", "1"}, {"ScanAngleRank-001", "1"}, {"ScanAngleRank000", "1"},
        {"ScanAngleRank001", "1"},   {"ScanAngleRank030", "1"}};
    for (const auto &[key, count] : want) EXPECT_EQ(stats[key], count) << key;
}

}  // namespace
