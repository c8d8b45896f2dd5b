// Pointsieve-qa on what it once mishandled, one table of runs of the real
// program: names holding any byte (a line feed, a CR, a quote, a comma, a
// tab, a backslash, bytes that are not UTF-8) through tiles.csv,
// verdicts.tsv, the statistics paths, the report and a combine of shards;
// deliveries and shards whose read tiles hold no point, with -d; tiles at
// one point; list and limits lines too long, /dev/zero among them; limits
// that are not decimal numbers.
#include <climits>
#include <filesystem>
#include <functional>
#include <sstream>

#include "delivery.hpp"
#include "qa_outputs.hpp"
#include "test_support.hpp"

using namespace testing_support;
using namespace qa_outputs;
namespace fs = std::filesystem;

namespace {

// The longest name a list line may give (programs/list_names.hpp).
#ifdef PATH_MAX
constexpr std::size_t kLongestName = PATH_MAX;
#else
constexpr std::size_t kLongestName = 4096;
#endif

// Text as the report writes it into its page (qa/report_page.cpp).
std::string html(const std::string &text) {
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
std::string tsv(const std::string &text) {
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

std::vector<std::string> split(const std::string &line, char separator) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == separator) fields.emplace_back();
        else fields.back() += c;
    }
    return fields;
}

// Names that hold every byte a table must carry; the last one holds a line
// feed, as the last row a line reader lost did.
const std::vector<std::string> kHostile = {
    "h/line\nfeed.las", "h/carriage\rreturn.las", "h/quote\"d.las",      "h/com,ma.las",
    "h/tab\there.las",  "h/back\\slash.las",      "h/bytes \xff\xfe.las", "h/all \n\r\"\t,\\ \x01 \xc3\xa9.las",
    "h/plain.las",      "h/last\nrow.las",
};

class Mends : public testing::Test {
public:  // the cases' setups write through it
    TempDir tmp;
    const std::vector<qa_delivery::Expectation> table = qa_delivery::make_delivery(tmp.file("delivery"));

    // Copies the generated delivery's readable tiles under the given names,
    // the last a copy of the first, so that each of the two names the
    // other in verdicts.tsv.
    void copy_tiles(const std::vector<std::string> &names) {
        fs::create_directories(tmp.file("h"));
        std::size_t k = 0;
        for (std::size_t n = 0; n + 1 < names.size(); ++n) {
            while (table[k % table.size()].status != "ok") ++k;
            fs::copy_file(tmp.file("delivery/" + table[k % table.size()].path), tmp.file(names[n]));
            ++k;
        }
        fs::copy_file(tmp.file(names.front()), tmp.file(names.back()));
    }
};

// Every tile of the names has its row, whole and in order, its statistics
// file, its lines in verdicts.tsv and its row in the report.
void check_names(const std::string &dir, const std::vector<std::string> &names) {
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
void check_combine(const std::string &dir, const std::vector<std::string> &names) {
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

struct Case {
    const char *what;
    // Writes the inputs into the test's folder; returns the arguments after
    // "-o out".
    std::function<std::vector<std::string>(Mends &)> setup;
    int status;
    std::vector<std::string> output;  // texts standard output must hold
    std::function<void(const std::string &dir)> check;
};

std::vector<std::string> with_names(std::vector<std::string> args) {
    args.insert(args.end(), kHostile.begin(), kHostile.end());
    return args;
}

std::string long_line(std::size_t n) { return std::string(n, 'a'); }

TEST_F(Mends, EachCaseRunsTheProgramAndLeavesWholeOutputs) {
    const std::string longest = std::to_string(kLongestName);
    const Case cases[] = {
        {"names holding a line feed, a CR, a quote, a comma, a tab, a backslash and bytes not UTF-8, at -j 2",
         [](Mends &m) {
             m.copy_tiles(kHostile);
             return with_names({"-d", "-j", "2"});
         },
         1, {"Tiles:"}, [](const std::string &dir) { check_names(dir, kHostile); }},
        {"the same names at -j 1, and a combine of two shards of them",
         [](Mends &m) {
             m.copy_tiles(kHostile);
             return with_names({"-j", "1"});
         },
         1, {"Tiles:"}, [](const std::string &dir) { check_combine(dir, kHostile); }},
        {"an empty delivery with -d: every tile read holds no point",
         [](Mends &m) {
             write_las(m.tmp.file("e1.las"), LasRecipe{});
             write_las(m.tmp.file("e2.las"), LasRecipe{});
             return std::vector<std::string>{"-d", "e1.las", "e2.las"};
         },
         1, {"Tiles:"},
         [](const std::string &dir) {
             const std::string page = read_text(dir + "/out/report.html");
             EXPECT_NE(page.find("No point was read: no chart or histogram to draw."), std::string::npos);
             EXPECT_NE(page.find("No read tile has a footprint"), std::string::npos);
             EXPECT_NE(page.find("Read tiles without points (2)"), std::string::npos);
         }},
        {"a shard with -d whose slice holds only tiles without points",
         [](Mends &m) {
             write_las(m.tmp.file("e1.las"), LasRecipe{});
             write_las(m.tmp.file("e2.las"), LasRecipe{});
             write_las(m.tmp.file("p.las"), three_points(1));
             return std::vector<std::string>{"-d", "--shard", "1/2", "e1.las", "e2.las", "p.las"};
         },
         1, {"Tiles:"},
         [](const std::string &dir) {
             EXPECT_EQ(read_csv(dir + "/out/tiles.csv").size(), 2u);
             EXPECT_NE(read_text(dir + "/out/report.html").find("No point was read"), std::string::npos);
         }},
        {"tiles of one point each, all at one place, and a tile along a line, with -d",
         [](Mends &m) {
             LasRecipe one;
             one.points = {point(100, 200, 5)};
             one.MinX = one.MaxX = 1, one.MinY = one.MaxY = 2, one.MinZ = one.MaxZ = 0.05;
             write_las(m.tmp.file("one_a.las"), one);
             one.points[0].GPSTime = 1;
             write_las(m.tmp.file("one_b.las"), one);
             LasRecipe line = one;
             line.points = {point(100, 200, 5), point(100, 900, 5)};
             line.MaxY = 9;
             write_las(m.tmp.file("line.las"), line);
             return std::vector<std::string>{"-d", "one_a.las", "one_b.las", "line.las"};
         },
         1, {"Tiles:"},
         [](const std::string &dir) {
             const std::string page = read_text(dir + "/out/report.html");
             for (const char *bad : {"\"nan\"", "\"-nan\"", "\"inf\"", "\"-inf\""})
                 EXPECT_EQ(page.find(bad), std::string::npos) << bad;
             std::size_t footprints = 0;
             for (std::size_t p = 0; (p = page.find("<rect class=\"fp\"", p)) != std::string::npos; ++p) ++footprints;
             EXPECT_EQ(footprints, 3u);
         }},
        {"a list line as long as a name may be: read, and the tile unreadable",
         [](Mends &m) {
             write_text(m.tmp.file("list.txt"), long_line(kLongestName) + "\n");
             return std::vector<std::string>{"-l", "list.txt"};
         },
         1, {"unreadable 1"}, nullptr},
        {"a list line one byte longer",
         [](Mends &m) {
             write_las(m.tmp.file("p.las"), three_points(1));
             write_text(m.tmp.file("list.txt"), "p.las\r\n" + long_line(kLongestName + 1) + "\r\np.las\n");
             return std::vector<std::string>{"-l", "list.txt"};
         },
         kFailed, {"\nList file list.txt, line 2: longer than " + longest + " bytes\n"}, nullptr},
        {"a list that never ends",
         [](Mends &) { return std::vector<std::string>{"-l", "/dev/zero"}; }, kFailed,
         {"\nList file /dev/zero, line 1: longer than " + longest + " bytes\n"}, nullptr},
        {"a limits line longer than 4096 bytes",
         [](Mends &m) {
             write_las(m.tmp.file("p.las"), three_points(1));
             write_text(m.tmp.file("limits.txt"), "# mine\n#" + long_line(4096) + "\n");
             return std::vector<std::string>{"--limits", "limits.txt", "p.las"};
         },
         kFailed, {"\nLimits file limits.txt, line 2: longer than 4096 bytes\n"}, nullptr},
        {"a limits file that never ends",
         [](Mends &m) {
             write_las(m.tmp.file("p.las"), three_points(1));
             return std::vector<std::string>{"--limits", "/dev/zero", "p.las"};
         },
         kFailed, {"\nLimits file /dev/zero, line 1: longer than 4096 bytes\n"}, nullptr},
        {"a hexadecimal limit",
         [](Mends &m) {
             write_las(m.tmp.file("p.las"), three_points(1));
             write_text(m.tmp.file("limits.txt"), "density_ratio warn 0.5\ndensity_ratio fail 0x10\n");
             return std::vector<std::string>{"--limits", "limits.txt", "p.las"};
         },
         kFailed, {"\nLimits file limits.txt, line 2: the value is not a decimal number: 0x10\n"}, nullptr},
        {"limits of inf, nan and 1e999",
         [](Mends &m) {
             write_las(m.tmp.file("p.las"), three_points(1));
             write_text(m.tmp.file("limits.txt"), "z_span warn inf\n");
             write_text(m.tmp.file("nan.txt"), "z_span warn nan\n");
             write_text(m.tmp.file("big.txt"), "z_span warn 1e999\n");
             return std::vector<std::string>{"--limits", "limits.txt", "p.las"};
         },
         kFailed, {"\nLimits file limits.txt, line 1: the value is not a decimal number: inf\n"},
         [](const std::string &dir) {
             const RunResult nan = qa({"--limits", "nan.txt", "-o", "out", "p.las"}, dir);
             EXPECT_EQ(nan.status, kFailed);
             EXPECT_NE(nan.out.find("\nLimits file nan.txt, line 1: the value is not a decimal number: nan\n"),
                       std::string::npos)
                 << nan.out;
             const RunResult big = qa({"--limits", "big.txt", "-o", "out", "p.las"}, dir);
             EXPECT_EQ(big.status, kFailed);
             EXPECT_NE(big.out.find("\nLimits file big.txt, line 1: the value is out of range: 1e999\n"),
                       std::string::npos)
                 << big.out;
         }},
        {"decimal limits in every form",
         [](Mends &m) {
             write_las(m.tmp.file("p.las"), three_points(1));
             write_text(m.tmp.file("limits.txt"), "z_span warn +5.\nz_span fail .5e2\ndensity_ratio warn 1E-1\n");
             return std::vector<std::string>{"--limits", "limits.txt", "p.las"};
         },
         1, {"Tiles:"}, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        // The case writes into the test's folder; the run is started there.
        const std::vector<std::string> given = c.setup(*this);
        std::vector<std::string> args = {"-o", "out"};
        args.insert(args.end(), given.begin(), given.end());
        RunOptions options;
        options.time_limit = 120;
        const RunResult r = qa(args, tmp.path(), options);
        EXPECT_EQ(r.status, c.status) << r.out;
        for (const std::string &text : c.output) EXPECT_NE(r.out.find(text), std::string::npos) << r.out;
        // Nothing left beside OUTDIR, and OUTDIR whole or not made at all.
        for (const auto &e : fs::directory_iterator(tmp.path()))
            EXPECT_FALSE(e.path().filename().string().starts_with("out.")) << e.path();
        if (c.status == kFailed) {
            EXPECT_FALSE(fs::exists(tmp.file("out")));
        } else {
            const std::string page = read_text(tmp.file("out/report.html"));
            EXPECT_TRUE(page.ends_with("</body></html>\n"));
            if (c.check) c.check(tmp.path());
        }
        if (c.status == kFailed && c.check) c.check(tmp.path());
        // The next case starts from the delivery alone.
        for (const auto &e : fs::directory_iterator(tmp.path()))
            if (e.path().filename() != "delivery") fs::remove_all(e.path());
    }
}

}  // namespace
