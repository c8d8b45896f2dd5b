// Pointsieve-qa on the generated delivery, what it finds beyond the tiles'
// rows: the tiles a tile index expects and the delivery lacks, and labels
// on the map that never cover one another.
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "audit_fixture.hpp"
#include "qa_outputs.hpp"
#include "test_support.hpp"

using namespace testing_support;
using namespace qa_outputs;
namespace fs = std::filesystem;

// A tile index: the tiles it names that were not delivered are listed in
// holes.csv (a stem once, whatever its case and extension), a tile it does
// not name is warned of, and a combine of shards given the index says the
// same.
TEST_F(Audit, TileIndexNamesTheMissingAndTheUnexpected) {
    std::string index = "absent_1\nfolder/ABSENT_1.LAZ\nabsent_2.las\n";
    for (const qa_delivery::Expectation &e : table)
        if (e.path != "west/flat.las") index += "elsewhere/" + e.path.substr(e.path.rfind('/') + 1) + "\n";
    write_text(tmp.file("index.txt"), index);
    const RunResult one = qa({"--index", "index.txt", "-o", "one", "delivery"}, tmp.path());
    ASSERT_EQ(one.status, 1) << one.out;
    EXPECT_NE(one.out.find("Tile index:       2 missing (holes.csv), 1 not expected\n"), std::string::npos) << one.out;
    std::vector<std::string> missing;
    for (const Row &row : read_csv(tmp.file("one/holes.csv")))
        if (!row.at("tile").empty()) missing.push_back(row.at("tile"));
    EXPECT_EQ(missing, (std::vector<std::string>{"absent_1", "absent_2.las"}));
    for (const Row &row : read_csv(tmp.file("one/tiles.csv")))
        if (!row.at("stats").empty()) {
            EXPECT_EQ(row.at("check:expected"), row.at("tile") == "delivery/west/flat.las" ? "warn" : "pass") << row.at("tile");
        }
    std::vector<std::string> combine = {"--index", "index.txt", "--combine", "-o", "all"};
    for (int k = 1; k <= 3; ++k) {
        combine.push_back("shard_" + std::to_string(k));
        ASSERT_LE(qa({"--shard", std::to_string(k) + "/3", "-o", combine.back(), "delivery"}, tmp.path()).status, 1);
    }
    ASSERT_EQ(qa(combine, tmp.path()).status, 1);
    for (const char *name : {"holes.csv", "verdicts.tsv"})
        EXPECT_TRUE(same_bytes(read_file(tmp.file(std::string("all/") + name)), read_file(tmp.file(std::string("one/") + name))))
            << name;
}

// A tile index of footprints in OGC WKT, with and without names: a tile
// whose centre one holds is expected, and one that no tile meets is listed
// with its box and drawn on the map.
TEST_F(Audit, TileIndexOfFootprints) {
    write_text(tmp.file("index.csv"),
               "POLYGON((500000 4000000,500100 4000000,500100 4000100,500000 4000100,500000 4000000))\n"
               "gap_tile;\"MULTIPOLYGON (((500300 4000400, 500400 4000400, 500400 4000500, 500300 4000400)))\"\n");
    ASSERT_EQ(qa({"--index", "index.csv", "-o", "out", "delivery"}, tmp.path()).status, 1);
    std::vector<std::string> missing;
    for (const Row &row : read_csv(tmp.file("out/holes.csv")))
        if (!row.at("tile").empty()) missing.push_back(row.at("tile") + " " + row.at("x_min") + " " + row.at("y_max"));
    EXPECT_EQ(missing, (std::vector<std::string>{"gap_tile 500300 4000500"}));
    std::vector<std::string> expected;
    for (const Row &row : read_csv(tmp.file("out/tiles.csv")))
        if (row.at("check:expected") == "pass") expected.push_back(row.at("tile"));
    EXPECT_EQ(expected, (std::vector<std::string>{"delivery/north/t_1.0_0.las"}));
    EXPECT_NE(read_text(tmp.file("out/report.html")).find("<title>missing: gap_tile</title>"), std::string::npos);
}

// Twenty copies of one tile, each failing: labels never cover one another
// on the map; those without room are listed under it, linked to their rows.
TEST_F(Audit, MapLabelsNeverOverlap) {
    fs::create_directory(tmp.file("stack"));
    for (int k = 0; k < 20; ++k)
        fs::copy_file(tmp.file("delivery/north/t_1.0_0.las"), tmp.file("stack/copy_" + std::to_string(10 + k) + ".las"));
    ASSERT_EQ(qa({"-o", "out", "stack"}, tmp.path()).status, 1);
    const std::string page = read_text(tmp.file("out/report.html"));
    struct Label {
        double x, y;
        std::size_t length;
    };
    std::vector<Label> labels;
    for (std::size_t at = 0; (at = page.find("<text class=\"lbl ", at)) != std::string::npos; ++at) {
        const std::size_t x = page.find(" x=\"", at) + 4, y = page.find(" y=\"", at) + 4;
        const std::size_t text = page.find('>', at) + 1;
        labels.push_back({std::stod(page.substr(x)), std::stod(page.substr(y)), page.find('<', text) - text});
    }
    const std::size_t listed_at = page.find("<p class=\"unlabelled\">");
    ASSERT_NE(listed_at, std::string::npos);
    const std::string listed = page.substr(listed_at, page.find("</p>", listed_at) - listed_at);
    std::size_t links = 0;
    for (std::size_t at = 0; (at = listed.find("<a href=\"#t", at)) != std::string::npos; ++at) ++links;
    EXPECT_EQ(labels.size() + links, 20u);
    for (std::size_t a = 0; a < labels.size(); ++a)
        for (std::size_t b = a + 1; b < labels.size(); ++b)  // 15 px a line; 7 px a character at most
            EXPECT_TRUE(std::abs(labels[a].y - labels[b].y) >= 15 ||
                        labels[a].x + 7.0 * static_cast<double>(labels[a].length) <= labels[b].x ||
                        labels[b].x + 7.0 * static_cast<double>(labels[b].length) <= labels[a].x)
                << a << " and " << b;
}
