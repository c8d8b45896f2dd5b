// Pointsieve-qa's OUTDIR and its combine: shards that do not make one run are
// refused and left as they were; an OUTDIR given as a link, as "." or as a
// folder no rename can replace; kills at the swap, which never leave the
// name without a whole audit; and names a spreadsheet would take as
// formulas, written after an apostrophe and read back without it.
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <functional>

#include "delivery.hpp"
#include "qa_outputs.hpp"
#include "test_support.hpp"

using namespace testing_support;
using namespace qa_outputs;
namespace fs = std::filesystem;

namespace {

// Environment entries of the fault shim (tests/support/failing_reads.c).
std::vector<std::string> shim(std::vector<std::string> faults) {
    faults.push_back(std::string("LD_PRELOAD=") + FAILING_READS_LIB);
    faults.push_back("ASAN_OPTIONS=verify_asan_link_order=0");
    return faults;
}

bool holds(const std::string &out, const std::vector<std::string> &words) {
    for (const std::string &w : words)
        if (out.find(w) == std::string::npos) return false;
    return true;
}

// Names in dir that begin with prefix (the folders a swap leaves beside).
std::vector<std::string> beside(const std::string &dir, const std::string &prefix) {
    std::vector<std::string> found;
    for (const auto &e : fs::directory_iterator(dir))
        if (e.path().filename().string().starts_with(prefix)) found.push_back(e.path().filename().string());
    return found;
}

class Outdir : public testing::Test {
protected:
    TempDir tmp;
    const std::vector<qa_delivery::Expectation> table = qa_delivery::make_delivery(tmp.file("delivery"));

    void audit(const std::vector<std::string> &args, const std::string &cwd = {}) {
        const RunResult r = qa(args, cwd.empty() ? tmp.path() : cwd);
        ASSERT_LE(r.status, 1) << r.out;
    }
};

TEST_F(Outdir, CombineRefusesShardsThatAreNotOneRun) {
    const int one = qa({"-o", "one", "delivery/north"}, tmp.path()).status;
    ASSERT_LE(one, 1);
    for (const char *k : {"1", "2", "3"}) audit({"--shard", std::string(k) + "/3", "-o", std::string("s") + k, "delivery/north"});
    write_text(tmp.file("limits.txt"), "unclassified warn 40\n");
    audit({"--shard", "1/2", "-o", "half_1", "delivery/north"});
    audit({"--shard", "2/3", "-o", "south_2", "delivery/south"});
    audit({"--shard", "2/3", "--limits", "limits.txt", "-o", "limits_2", "delivery/north"});
    audit({"-d", "--shard", "2/3", "-o", "detailed_2", "delivery/north"});
    fs::copy(tmp.file("s2"), tmp.file("earlier_2"), fs::copy_options::recursive);
    write_text(tmp.file("earlier_2/.pointsieve-qa"), "Pointsieve-qa\n");  // as the version before the record wrote it
    fs::create_directory_symlink("s3", tmp.file("link_3"));
    std::map<std::string, std::map<std::string, Bytes>> before;
    for (const char *dir : {"s1", "s2", "s3", "half_1", "south_2", "limits_2", "detailed_2", "earlier_2"})
        before[dir] = tree(tmp.file(dir));

    const struct {
        const char *what;
        std::vector<std::string> args;  // after --combine
        int status;
        std::vector<std::string> message;  // words the message must hold
    } cases[] = {
        {"a shard missing", {"-o", "all", "s1", "s3"}, kFailed, {"Shard 2/3 is missing"}},
        {"a shard given twice", {"-o", "all", "s1", "s2", "s2", "s3"}, kFailed, {"Shard 2/3 is given twice", "s2"}},
        {"shards of different N", {"-o", "all", "half_1", "s2", "s3"}, kFailed, {"half_1 (shard 1/2)", "one of 3"}},
        {"a shard of another list", {"-o", "all", "s1", "south_2", "s3"}, kFailed, {"south_2", "another list"}},
        {"a shard of other limits", {"-o", "all", "s1", "limits_2", "s3"}, kFailed, {"limits_2", "other limits"}},
        {"a shard run with -d", {"-o", "all", "s1", "detailed_2", "s3"}, kFailed, {"detailed_2", "with -d"}},
        {"a shard of an earlier version", {"-o", "all", "s1", "earlier_2", "s3"}, kFailed, {"earlier_2", "audit it again"}},
        {"-o inside a shard", {"-o", "s1/all", "s1", "s2", "s3"}, kFailed, {"s1/all", "folder s1 "}},
        {"-o a shard", {"-o", "s3", "s1", "s2", "s3"}, kFailed, {"Output folder s3 ", "folder s3 "}},
        {"-o a link to a shard", {"-o", "link_3", "s1", "s2", "s3/"}, kFailed, {"link_3", "folder s3 "}},
        {"-o holding the shards", {"-o", ".", "s1", "s2", "s3"}, kFailed, {"Output folder .", "holds"}},
        {"shards out of order", {"-o", "all", "s3", "s1", "s2"}, one, {"tiles failing a check"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(tmp.file("all"));
        std::vector<std::string> args = {"--combine"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = qa(args, tmp.path());
        EXPECT_EQ(r.status, c.status) << r.out;
        EXPECT_TRUE(holds(r.out, c.message)) << r.out;
        for (const auto &[dir, files] : before) EXPECT_EQ(tree(tmp.file(dir)), files) << dir;
        if (c.status == kFailed) {
            EXPECT_FALSE(fs::exists(tmp.file("all")));
            EXPECT_TRUE(beside(tmp.path(), "all.").empty());
            EXPECT_TRUE(beside(tmp.file("s1"), "all").empty());
        } else {  // in the order of their K: one run's tables
            for (const char *name : {"verdicts.tsv", "archive_stats.asc"})
                EXPECT_TRUE(same_bytes(read_file(tmp.file(std::string("all/") + name)),
                                       read_file(tmp.file(std::string("one/") + name))))
                    << name;
        }
    }
}

// Whether the file system of dir exchanges two names in one step.
bool exchanges_names(const std::string &dir) {
    fs::create_directory(dir + "/probe_a");
    fs::create_directory(dir + "/probe_b");
    const bool ok = renameat2(AT_FDCWD, (dir + "/probe_a").c_str(), AT_FDCWD, (dir + "/probe_b").c_str(),
                              RENAME_EXCHANGE) == 0;
    fs::remove_all(dir + "/probe_a");
    fs::remove_all(dir + "/probe_b");
    return ok;
}

// Each tile of names is a copy of a delivery tile; the run over them from
// their folder writes each name after an apostrophe in tiles.csv and
// verdicts.tsv, numbers as they are, the report without it, and a combine
// of its shards equals it.
void check_formula_names(const std::string &root, const std::vector<std::string> &names) {
    fs::create_directory(root + "/odd");
    std::vector<std::string> args = {"-o", "../names", "--"};
    for (std::size_t k = 0; k < names.size(); ++k) {
        fs::copy_file(root + "/delivery/north/t_1.0_" + std::to_string(k % 2) + ".las", root + "/odd/" + names[k]);
        args.push_back(names[k]);
    }
    LasRecipe below = three_points(1);  // west of the false origin: negative X
    below.XOffset = -1000;
    below.MinX = -1000, below.MaxX = -999;
    write_las(root + "/odd/below.las", below);
    args.push_back("below.las");
    ASSERT_EQ(qa(args, root + "/odd").status, 1);
    const std::vector<std::vector<std::string>> records = read_csv_records(root + "/names/tiles.csv");
    ASSERT_EQ(records.size(), names.size() + 2);
    EXPECT_EQ(records.back()[8].substr(0, 1), "-");  // x_min, a number, as it is
    const std::string verdicts = read_text(root + "/names/verdicts.tsv");
    const std::string report = read_text(root + "/names/report.html");
    for (std::size_t k = 0; k < names.size(); ++k) {
        SCOPED_TRACE(names[k]);
        EXPECT_EQ(records[k + 1][0], "'" + names[k]);
        if (names[k][0] == '\t') continue;  // escaped in verdicts.tsv as \t, which needs no apostrophe
        EXPECT_NE(verdicts.find("\t'" + names[k] + "\t"), std::string::npos) << verdicts;
        // The report shows the name as it is (an apostrophe as &#39;).
        const std::string shown = names[k][0] == '\'' ? "&#39;" + names[k].substr(1) : names[k];
        EXPECT_NE(report.find("data-tile=\"" + shown + "\""), std::string::npos);
        EXPECT_EQ(report.find("data-tile=\"&#39;" + shown + "\""), std::string::npos);
    }
    for (const char *k : {"1/2", "2/2"}) {
        args[1] = std::string("../shard_") + k[0];
        args.insert(args.begin(), {"--shard", k});
        ASSERT_EQ(qa(args, root + "/odd").status, 1);
        args.erase(args.begin(), args.begin() + 2);
    }
    ASSERT_EQ(qa({"--combine", "-o", "both", "shard_1", "shard_2"}, root).status, 1);
    EXPECT_TRUE(same_bytes(read_file(root + "/both/verdicts.tsv"), read_file(root + "/names/verdicts.tsv")));
    const std::vector<std::vector<std::string>> combined = read_csv_records(root + "/both/tiles.csv");
    ASSERT_EQ(combined.size(), records.size());
    for (std::size_t k = 0; k < records.size(); ++k) {
        std::vector<std::string> got = combined[k];
        got[7] = records[k][7];  // stats: into the shards' folders
        EXPECT_EQ(got, records[k]);
    }
}

TEST_F(Outdir, ReplacedWholeOrRefusedBeforeAnyTileIsRead) {
    audit({"-o", "earlier", "delivery/north"});
    const int south = qa({"-o", "new", "delivery/south"}, tmp.path()).status;
    ASSERT_LE(south, 1);
    const auto earlier = tree(tmp.file("earlier"));
    const bool exchange = exchanges_names(tmp.path());
    fs::create_directory(tmp.file("empty"));
    struct stat proc {}, root {};
    const bool proc_mounted = stat("/proc", &proc) == 0 && stat("/", &root) == 0 && proc.st_dev != root.st_dev;
    const int kKilled = 1000 + SIGKILL;
    // What the name OUTDIR holds once the run has ended.
    enum class Holds { Earlier, New, Nothing, FormulaNames };
    const struct {
        const char *what;
        std::string outdir, cwd;  // OUTDIR and the folder the run starts in (under tmp)
        std::vector<std::string> environment;
        int status;
        Holds holds;
        std::vector<std::string> message;
        bool needs_exchange = false;
    } cases[] = {
        {"a link to an earlier audit", "link", "", {}, south, Holds::New, {}},
        {"a link to a link to an earlier audit", "link_link", "", {}, south, Holds::New, {}},
        {".", ".", "out", {}, kFailed, Holds::Earlier, {"Output folder . cannot be replaced", "named by ."}},
        {"the parent of the current folder", "..", "out/empty", {}, kFailed, Holds::Earlier, {"cannot be replaced"}},
        {"the current folder by its path", "../out", "out", {}, kFailed, Holds::Earlier, {"the current folder"}},
        {"the root", "/", "", {}, kFailed, Holds::Earlier, {"the root"}},
        {"a mount point", "/proc", "", {}, kFailed, Holds::Earlier, {"a mount point"}},
        {"killed at the exchange", "out", "", shim({"POINTSIEVE_KILL_AT_RENAME_TO=out"}), kKilled, Holds::Earlier, {}, true},
        {"killed after the exchange", "out", "", shim({"POINTSIEVE_KILL_AFTER_RENAME_TO=out"}), kKilled, Holds::New, {}, true},
        {"no exchange: two renames", "out", "", shim({"POINTSIEVE_RENAMEAT2_ERRNO=" + std::to_string(EINVAL)}), south, Holds::New, {}},
        {"no exchange, killed between the renames", "out", "",
         shim({"POINTSIEVE_RENAMEAT2_ERRNO=" + std::to_string(ENOSYS), "POINTSIEVE_KILL_AT_RENAME_TO=out"}), kKilled,
         Holds::Nothing, {}},
        {"names starting with = + - @ ' and tab", "names", "", {}, 1, Holds::FormulaNames, {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        if ((c.needs_exchange && !exchange) || (c.outdir == "/proc" && !proc_mounted)) continue;
        if (c.holds == Holds::FormulaNames) {
            check_formula_names(tmp.path(), {"=sum.las", "+one.las", "-two.las", "@cell.las", "'quoted.las", "\tt.las"});
            continue;
        }
        for (const char *name : {"out", "real", "link", "link_link"}) fs::remove_all(tmp.file(name));
        for (const std::string &left : beside(tmp.path(), "out.")) fs::remove_all(tmp.file(left));
        fs::copy(tmp.file("earlier"), tmp.file(c.outdir.starts_with("link") ? "real" : "out"), fs::copy_options::recursive);
        if (!c.outdir.starts_with("link")) fs::create_directory(tmp.file("out/empty"));  // a folder to start in
        fs::create_directory_symlink("real", tmp.file("link"));
        fs::create_directory_symlink("link", tmp.file("link_link"));
        // A tile of the folder, named as the run finds it: were it opened,
        // the shim would rename the sentinel over it.
        const std::string cwd = tmp.file(c.cwd), folder = fs::relative(tmp.file("delivery/south"), cwd).string();
        write_text(tmp.file("sentinel"), "not read");
        RunOptions options;
        options.environment = c.environment;
        if (c.status == kFailed)
            options.environment = shim({"POINTSIEVE_SWAP_NAME=" + folder + "/t_1.2_3.las", "POINTSIEVE_SWAP_WITH=" + tmp.file("sentinel"),
                                         "POINTSIEVE_SWAP_AT=1"});
        const RunResult r = qa({"-o", c.outdir, folder}, cwd, options);
        EXPECT_EQ(r.status, c.status) << r.out;
        EXPECT_TRUE(holds(r.out, c.message)) << r.out;
        const std::string outdir = tmp.file(c.outdir.starts_with("link") ? "real" : "out");
        if (c.status == kFailed) {
            EXPECT_TRUE(file_exists(tmp.file("sentinel"))) << "a tile was read";
        }
        if (c.outdir.starts_with("link")) {
            EXPECT_TRUE(fs::is_symlink(tmp.file(c.outdir)));
            EXPECT_TRUE(beside(tmp.path(), "link").size() == 2) << "a folder beside the link";
        }
        if (c.holds == Holds::Earlier) {
            ASSERT_TRUE(fs::is_directory(outdir)) << "no OUTDIR";
            EXPECT_EQ(tree(outdir), earlier);
        } else if (c.holds == Holds::New) {
            ASSERT_TRUE(fs::is_directory(outdir)) << "no OUTDIR";
            EXPECT_TRUE(same_tree(outdir, tmp.file("new")));
            EXPECT_FALSE(fs::exists(outdir + "/empty"));
            if (c.status != kKilled) {  // and nothing left beside it
                EXPECT_TRUE(beside(tmp.path(), c.outdir.starts_with("link") ? "real." : "out.").empty());
            }
        } else {
            EXPECT_FALSE(fs::exists(outdir));
            const std::vector<std::string> old = beside(tmp.path(), "out.old.");
            ASSERT_EQ(old.size(), 1u);  // the earlier audit, whole beside it
            EXPECT_EQ(tree(tmp.file(old[0])), earlier);
        }
    }
}

}  // namespace
