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
#include "name_checks.hpp"
#include "qa_outputs.hpp"
#include "test_support.hpp"

using namespace testing_support;
using namespace qa_outputs;
using namespace name_checks;
namespace fs = std::filesystem;

namespace {

// The longest name a list line may give (programs/list_names.hpp).
#ifdef PATH_MAX
constexpr std::size_t kLongestName = PATH_MAX;
#else
constexpr std::size_t kLongestName = 4096;
#endif

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
        {"a tile index footprint without coordinates",
         [](Mends &m) {
             write_las(m.tmp.file("p.las"), three_points(1));
             write_text(m.tmp.file("index.txt"), "p\nq,POLYGON EMPTY\n");
             return std::vector<std::string>{"--index", "index.txt", "p.las"};
         },
         kFailed, {"\nTile index index.txt, line 2: a footprint without coordinates\n"}, nullptr},
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
        {"limits that are not decimal numbers: hexadecimal, infinite, not a number, out of range",
         [](Mends &m) {
             write_las(m.tmp.file("p.las"), three_points(1));
             write_text(m.tmp.file("limits.txt"), "density_ratio warn 0.5\ndensity_ratio fail 0x10\n");
             for (const std::string v : {"inf", "nan", "1e999"})
                 write_text(m.tmp.file(v + ".txt"), "z_span warn " + v + "\n");
             return std::vector<std::string>{"--limits", "limits.txt", "p.las"};
         },
         kFailed, {"\nLimits file limits.txt, line 2: the value is not a decimal number: 0x10\n"},
         [](const std::string &dir) {
             for (const std::string v : {"inf", "nan", "1e999"}) {
                 const RunResult r = qa({"--limits", v + ".txt", "-o", "out", "p.las"}, dir);
                 EXPECT_EQ(r.status, kFailed);
                 const std::string why = v == "1e999" ? "out of range: " : "not a decimal number: ";
                 EXPECT_NE(r.out.find(v + ".txt, line 1: the value is " + why + v + "\n"), std::string::npos) << r.out;
             }
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
