// Pointsieve-qa on the generated delivery: every tile judged as the
// delivery's table says, and the identities its outputs meet with
// Pointsieve, Pointsieve-merge, any -j and any sharding; a failed run leaves
// the earlier OUTDIR as it was.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "audit_fixture.hpp"
#include "delivery.hpp"
#include "qa_outputs.hpp"
#include "test_support.hpp"

using namespace testing_support;
using namespace qa_outputs;
namespace fs = std::filesystem;

namespace {

TEST_F(Audit, JudgesEveryTileAsTheDeliveryTableSays) {
    const auto delivery = tree(tmp.file("delivery"));
    const RunResult r = qa({"-d", "-j", "1", "-o", "out", "delivery"}, tmp.path());
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_EQ(tree(tmp.file("delivery")), delivery);  // nothing written beside the tiles
    const std::vector<Row> rows = read_csv(tmp.file("out/tiles.csv"));
    ASSERT_EQ(rows.size(), table.size());
    std::vector<std::string> verdicts;  // what verdicts.tsv must list, from the check columns
    std::map<std::string, std::map<std::string, int>> totals;
    std::set<std::string> stats_folded;
    std::vector<std::string> copies;  // the two names of one tile
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const qa_delivery::Expectation &e = table[k];
        Row row = rows[k];
        SCOPED_TRACE(e.path);
        EXPECT_EQ(row["tile"], "delivery/" + e.path);  // as found, folders in byte order
        EXPECT_EQ(row["status"], e.status) << row["reason"];
        if (e.status == "truncated") {
            EXPECT_EQ(row["reason"], row["read"] + " of " + row["declared"] + " records");
        }
        if (has_word(e.flagged, "duplicate")) copies.push_back(row["tile"]);
        for (const char *check : kChecks) {
            const std::string cell = row[std::string("check:") + check];
            EXPECT_TRUE(judged_as_listed(e, check, cell));
            if (cell == "warn" || cell == "fail") verdicts.push_back(cell + "\t" + check + "\t" + row["tile"]);
            if (cell != "-") ++totals[check][cell];
        }
        // Unique where case is not told apart.
        std::string folded = row["stats"];
        for (char &c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_TRUE(row["stats"].empty() || stats_folded.insert(folded).second) << row["stats"];
        EXPECT_EQ(row["stats"].empty(), e.status != "ok" && e.status != "truncated");
    }
    const std::vector<std::string> listed = lines(tmp.file("out/verdicts.tsv"));
    ASSERT_EQ(listed.size(), verdicts.size() + std::size(kChecks));
    for (std::size_t k = 0; k < verdicts.size(); ++k) {
        EXPECT_EQ(listed[k].substr(0, verdicts[k].size() + 1), verdicts[k] + "\t");
        EXPECT_EQ(std::count(listed[k].begin(), listed[k].end(), '\t'), 4) << listed[k];
        if (verdicts[k].find("\tduplicate\t") != std::string::npos) {  // each copy names the other
            ASSERT_EQ(copies.size(), 2u);
            const std::string &other = listed[k].find(copies[0]) < listed[k].find(copies[1]) ? copies[1] : copies[0];
            EXPECT_EQ(listed[k].substr(verdicts[k].size() + 1, other.size() + 1), other + "\t");
        }
    }
    // Figures that count points, and header bytes as numbers, in valid UTF-8.
    const std::string text = read_text(tmp.file("out/verdicts.tsv"));
    for (const char *line : {"fail\treturn_numbers\tdelivery/west/return_numbers.las\t120\t",
                             "fail\tcomplete\tdelivery/west/records_beyond.las\t500\trecords_beyond>0",
                             "fail\tnoise\tdelivery/west/noise.las\t85\t"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    for (const Row &row : rows) {
        if (row.at("tile") == "delivery/west/version_bytes.las") {
            EXPECT_EQ(row.at("las_version"), "174.251");
        }
    }
    EXPECT_TRUE(valid_utf8(read_text(tmp.file("out/tiles.csv"))));
    // The holes: the cells of row 4 west of east/c_5.las hold no tile with
    // points (one far off leaves no line of holes to it).
    const std::vector<Row> holes = read_csv(tmp.file("out/holes.csv"));
    ASSERT_EQ(holes.size(), 5u);
    for (std::size_t c = 0; c < holes.size(); ++c) {
        EXPECT_NEAR(std::stod(holes[c].at("x_min")), 500000.0 + 100.0 * static_cast<double>(c), 1.0);
        EXPECT_NEAR(std::stod(holes[c].at("y_min")), 4000400.0, 1.0);
    }
    // The flight lines: every point read in one, the raised line of three
    // named alone, the strip flown again over another line.
    std::uint64_t points = 0, in_lines = 0;
    for (const Row &row : rows) points += std::strtoull(row.at("read").c_str(), nullptr, 10);
    for (const Row &line : read_csv(tmp.file("out/lines.csv"))) {
        in_lines += std::strtoull(line.at("points").c_str(), nullptr, 10);
        EXPECT_EQ(line.at("check:interswath") == "fail", line.at("line") == "12") << line.at("line");
        if (line.at("line") == "21") {
            EXPECT_EQ(line.at("check:flight_lines"), "warn");
        }
    }
    EXPECT_EQ(in_lines, points);
    std::map<std::string, std::string> grid;  // the verdict grid on standard output: a line per check
    std::istringstream out(r.out);
    for (std::string line, name; std::getline(out, line);)
        if (std::istringstream(line) >> name) grid[name] = line;
    for (std::size_t c = 0; c < std::size(kChecks); ++c) {
        auto &n = totals[kChecks[c]];
        EXPECT_EQ(listed[verdicts.size() + c], std::string("total\t") + kChecks[c] + "\tpass=" +
                                                   std::to_string(n["pass"]) + " warn=" + std::to_string(n["warn"]) +
                                                   " fail=" + std::to_string(n["fail"]));
        std::istringstream words(grid[kChecks[c]]);
        std::string name;
        int pass = -1, warn = -1, fail = -1;
        words >> name >> pass >> warn >> fail;
        EXPECT_EQ(std::vector<int>({pass, warn, fail}), std::vector<int>({n["pass"], n["warn"], n["fail"]})) << name;
    }
}

TEST_F(Audit, TileThatFailsToReadIsUnreadableAndTheRunGoesOn) {
    RunOptions failing;
    failing.environment = failing_reads_of(tmp.file("delivery/north/t_1.0_1.las"));
    EXPECT_EQ(qa({"-o", "out", "delivery/north"}, tmp.path(), failing).status, 1);
    const std::vector<Row> rows = read_csv(tmp.file("out/tiles.csv"));
    ASSERT_EQ(rows.size(), 4u);
    for (Row row : rows) {
        const bool failed = row["tile"] == "delivery/north/t_1.0_1.las";
        EXPECT_EQ(row["status"], failed ? "unreadable" : "ok") << row["tile"];
        EXPECT_EQ(row["check:readable"], failed ? "fail" : "pass") << row["tile"];
    }
}

TEST_F(Audit, StatisticsAreThoseOfPointsieveAndMergeForAnyJ) {
    ASSERT_EQ(qa({"-d", "-j", "1", "-o", "one", "delivery"}, tmp.path()).status, 1);
    ASSERT_LE(qa({"-o", "two", "delivery/north"}, tmp.path()).status, 1);  // replaced whole
    ASSERT_EQ(qa({"-d", "-j", "2", "-o", "two", "delivery"}, tmp.path()).status, 1);
    EXPECT_TRUE(same_tree(tmp.file("two"), tmp.file("one")));
    fs::create_directory(tmp.file("own"));
    std::vector<std::string> merge_args = {"-o", "merged.asc"};
    for (Row row : read_csv(tmp.file("one/tiles.csv"))) {
        if (row["stats"].empty()) continue;
        SCOPED_TRACE(row["tile"]);
        write_file(tmp.file("own/t.las"), read_file(tmp.file(row["tile"])));
        ASSERT_EQ(run_pointsieve({"t.las", "-s", "-d"}, tmp.file("own")).status, 0);
        EXPECT_TRUE(same_bytes(read_file(tmp.file("one/" + row["stats"])), read_file(tmp.file("own/t_stats.asc"))));
        // The points' own extents, every digit of a 0.01 scale: the header's,
        // which the delivery fits to the points (but where the header is wrong).
        std::istringstream stats(read_text(tmp.file("own/t_stats.asc")));
        std::map<std::string, std::string> header;
        for (std::string k, v; stats >> k >> v;) header[k] = v;
        if (!row["x_min"].empty() && row["tile"].find("header_box") == std::string::npos) {
            for (const auto &[column, key] : {std::pair{"x_min", "XMin"}, {"x_max", "XMax"}, {"y_min", "YMin"},
                                              {"y_max", "YMax"}, {"z_min", "ZMin"}, {"z_max", "ZMax"}})
                EXPECT_EQ(row[column], header[key]) << column;
        }
        merge_args.push_back("one/" + row["stats"]);
    }
    RunOptions merge;
    merge.program = POINTSIEVE_MERGE_EXE;
    ASSERT_EQ(run_pointsieve(merge_args, tmp.path(), merge).status, 0);
    EXPECT_TRUE(same_bytes(read_file(tmp.file("one/archive_stats.asc")), read_file(tmp.file("merged.asc"))));
}

TEST_F(Audit, ShardsCombineToOneRun) {
    const RunResult one = qa({"-o", "one", "delivery"}, tmp.path());
    ASSERT_EQ(one.status, 1);
    const std::vector<Row> rows = read_csv(tmp.file("one/tiles.csv"));
    // The limits printed are the defaults.
    const RunResult limits = qa({"--print-limits"}, tmp.path());
    ASSERT_EQ(limits.status, 0);
    write_text(tmp.file("limits.txt"), limits.out);
    ASSERT_EQ(qa({"--limits", "limits.txt", "-o", "printed", "delivery"}, tmp.path()).status, 1);
    EXPECT_TRUE(same_tree(tmp.file("printed"), tmp.file("one")));
    for (const int n : {1, 3, 7}) {
        SCOPED_TRACE(std::to_string(n) + " shards");
        std::vector<std::string> combine = {"--combine", "-o", "all" + std::to_string(n)};
        for (int k = 1; k <= n; ++k) {
            combine.push_back("shard" + std::to_string(n) + "_" + std::to_string(k));
            const RunResult s = qa({"--shard", std::to_string(k) + "/" + std::to_string(n), "-o", combine.back(),
                                    "delivery"}, tmp.path());
            EXPECT_TRUE(s.status == 0 || s.status == 1) << s.status << s.out;
        }
        // A combine reads the shards' outputs alone, never a tile.
        fs::rename(tmp.file("delivery"), tmp.file("delivery.away"));
        const RunResult all = qa(combine, tmp.path());
        fs::rename(tmp.file("delivery.away"), tmp.file("delivery"));
        EXPECT_EQ(all.status, one.status);
        EXPECT_EQ(all.out, one.out);
        for (const char *name : {"verdicts.tsv", "archive_stats.asc", "holes.csv", "lines.csv"})
            EXPECT_TRUE(same_bytes(read_file(tmp.file(combine[2] + "/" + name)), read_file(tmp.file(std::string("one/") + name))))
                << name;
        std::vector<Row> combined = read_csv(tmp.file(combine[2] + "/tiles.csv"));
        ASSERT_EQ(combined.size(), rows.size());
        for (std::size_t k = 0; k < rows.size(); ++k) {
            Row want = rows[k], got = combined[k];
            if (!want["stats"].empty()) {  // the shard's own file, which is one run's
                EXPECT_TRUE(same_bytes(read_file(tmp.file(combine[2] + "/" + got["stats"])),
                                       read_file(tmp.file("one/" + want["stats"]))));
            }
            got["stats"] = want["stats"];
            EXPECT_EQ(got, want);
        }
    }
}

// The run over the whole delivery into OUTDIR on a small disk of its own (a
// tmpfs in a private mount namespace), after an earlier run over one folder
// there and after spoil (a shell command) filled the disk, or all but a
// little of it, or made it read-only. Status 77: no such disk here. Prints CHANGED when the earlier
// OUTDIR did not stay as it was.
RunResult on_spoiled_disk(const std::string &dir, const std::string &spoil) {
    fs::create_directory(dir + "/disk");
    const std::string script = R"(
        mount -t tmpfs -o size=16m pointsieve-test disk || exit 77
        "$0" -o disk/out delivery/north > /dev/null 2>&1; [ $? -le 1 ] || exit 78
        cp -a disk/out before && eval "$1" || exit 79
        "$0" -o disk/out delivery
        status=$?
        diff -r before disk/out > /dev/null || echo CHANGED
        exit $status)";
    RunOptions options;
    options.program = "unshare";
    options.stdout_to = RunOptions::Stdout::Both;
    return run_pointsieve({"--mount", "--propagation", "private", "sh", "-c", script, POINTSIEVE_QA_EXE, spoil},
                          dir, options);
}

TEST_F(Audit, FailedRunLeavesTheEarlierOutdir) {
    ASSERT_LE(qa({"-o", "out", "delivery/north"}, tmp.path()).status, 1);
    const auto before = tree(tmp.file("out"));
    write_text(tmp.file("limits.txt"), "# mine\ndensity_ratio warn 0.2\nz_span sideways 3\n");
    fs::create_directory(tmp.file("nothing"));
    RunOptions both, full;
    both.stdout_to = RunOptions::Stdout::Both;
    full.stdout_to = RunOptions::Stdout::Full;
    const struct {
        const char *what;
        std::vector<std::string> args;
        RunOptions options;
        std::vector<std::string> message;  // words the message must hold
    } cases[] = {
        {"a malformed limits file", {"--limits", "limits.txt", "-o", "out", "delivery"}, both, {"limits.txt", "3"}},
        {"standard output on a full disk", {"-o", "out", "delivery"}, full, {"standard output"}},
        {"no tile found", {"-o", "out", "nothing"}, both, {"No tile found"}},
        {"an OUTDIR holding other files", {"-o", "delivery/north", "delivery/south"}, both, {"delivery/north"}},
    };
    const auto delivery = tree(tmp.file("delivery"));
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const RunResult r = qa(c.args, tmp.path(), c.options);
        EXPECT_EQ(r.status, kFailed) << r.out;
        for (const std::string &word : c.message) EXPECT_NE(r.out.find(word), std::string::npos) << word;
        EXPECT_EQ(tree(tmp.file("out")), before);
        EXPECT_EQ(tree(tmp.file("delivery")), delivery);
    }
    // Not a failure, but nothing to merge: no archive_stats.asc.
    ASSERT_EQ(qa({"-o", "unread", "delivery/west/zero.las", "delivery/west/not_a_tile.las"}, tmp.path()).status, 1);
    EXPECT_FALSE(file_exists(tmp.file("unread/archive_stats.asc")));
    const struct {
        const char *spoil, *reason;
    } disks[] = {
        {"cat /dev/zero > disk/filler 2> /dev/null; true", "No space left on device"},
        {"cat /dev/zero > disk/filler 2> /dev/null; truncate -s -64K disk/filler", "No space left on device"},
        {"mount -o remount,ro disk", "Read-only file system"},
    };
    if (!emulator_words().empty()) GTEST_SKIP() << "the disk's shell starts the program without the emulator";
    for (const auto &d : disks) {
        SCOPED_TRACE(d.spoil);
        const RunResult r = on_spoiled_disk(tmp.path(), d.spoil);
        if (r.status == 77) GTEST_SKIP() << "no private mount namespace with a tmpfs here: " << r.out;
        EXPECT_EQ(r.status, kFailed) << r.out;
        EXPECT_NE(r.out.find(d.reason), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("CHANGED"), std::string::npos) << r.out;
        fs::remove_all(tmp.file("before"));
    }
}

}  // namespace
