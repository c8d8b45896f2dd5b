// Validation and classification of LAS files.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>  // mkfifo
#endif

#include <filesystem>

#include "Korvane_LiDAR.h"
#include "test_support.hpp"

using namespace testing_support;

namespace {

RunResult check(const std::string &name) {
    return run_in_child([&] { std::exit(check_las(name.c_str()) & 0xFF); });
}

int status_of(int type) { return type & 0xFF; }

TEST(CheckLas, ClassifiesEveryHandledVersionAndFormatOfRealFiles) {
    const std::pair<const char *, int> files[] = {
        {"1.0_0.las", 1}, {"1.0_1.las", 2}, {"1.1_0.las", 3}, {"1.1_1.las", 4},
        {"1.2_0.las", 5}, {"1.2_1.las", 6}, {"1.2_2.las", 7}, {"1.2_3.las", 8},
        {"autzen.las", 6}, {"simple.las", 8},
    };
    for (const auto &[name, type] : files) {
        const RunResult r = check(data_file(name));
        EXPECT_EQ(r.status, type) << name;
        EXPECT_EQ(r.out, "") << name;
    }
}

TEST(CheckLas, ClassifiesCraftedPairs) {
    TempDir dir;
    struct Case {
        uint8_t minor, format;
        int type;
    };
    const Case cases[] = {{0, 0, 1}, {0, 1, 2}, {1, 0, 3}, {1, 1, 4}, {2, 0, 5}, {2, 1, 6}, {2, 2, 7}, {2, 3, 8},
                          // Versions 1.0 and 1.1 have no formats 2 and 3: type 0, silently.
                          {0, 2, 0}, {0, 3, 0}, {1, 2, 0}, {1, 3, 0}};
    for (const Case &c : cases) {
        LasRecipe recipe;
        recipe.minor = c.minor;
        recipe.format = c.format;
        recipe.points.resize(2);
        const std::string path = write_las(dir.file("t.las"), recipe);
        const RunResult r = check(path);
        EXPECT_EQ(r.status, c.type) << int(c.minor) << "/" << int(c.format);
        EXPECT_EQ(r.out, "");
    }
}

TEST(CheckLas, FilesThatAreNotWholeLasHeaders) {
    TempDir dir;
    LasRecipe recipe;
    recipe.points.resize(1);
    const Bytes good = build_las(recipe);
    const std::string path = dir.file("short.las");
    for (std::size_t size : {0, 3, 4, 106, 107, 226}) {
        write_file(path, Bytes(good.begin(), good.begin() + static_cast<long>(size)));
        const RunResult r = check(path);
        EXPECT_EQ(r.status, status_of(-1)) << size;
        EXPECT_EQ(r.out, "\n" + path + " is not a valid .las file\n\n") << size;
    }
    // A whole header and nothing else is a valid, empty file.
    write_file(path, Bytes(good.begin(), good.begin() + 227));
    EXPECT_EQ(check(path).status, 5);

    Bytes wrong = good;
    wrong[3] = 'G';
    write_file(path, wrong);
    EXPECT_EQ(check(path).out, "\n" + path + " is not a valid .las file\n\n");

#ifndef _WIN32
    // A FIFO is refused without waiting for a writer (Windows has none).
    const std::string fifo = dir.file("fifo.las");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const RunResult f = check(fifo);
    EXPECT_EQ(f.status, status_of(-1));
    EXPECT_EQ(f.out, "\n" + fifo + " is not a valid .las file\n\n");
#endif

    // A directory opens for reading but cannot be read.
    const std::string folder = dir.file("folder.las");
    ASSERT_TRUE(std::filesystem::create_directory(folder));
    const RunResult r = check(folder);
    EXPECT_EQ(r.status, status_of(-1));
    EXPECT_EQ(r.out, "\n" + folder + " is not a valid .las file\n\n");
}

TEST(CheckLas, MissingFilesAndWrongExtensions) {
    TempDir dir;
    const std::string missing = dir.file("missing.las");
    RunResult r = check(missing);
    EXPECT_EQ(r.status, status_of(-1));
    EXPECT_EQ(r.out, "Unable to open file " + missing + " in file_access()\n\nFile " + missing + " does NOT exist\n");

    LasRecipe recipe;
    const std::string upper = write_las(dir.file("points.LAS"), recipe);
    r = check(upper);
    EXPECT_EQ(r.status, status_of(-1));
    EXPECT_EQ(r.out, "\nFile extension of " + upper + " is not .las\n");
}

TEST(CheckLas, NamesOfAnyLength) {
    TempDir dir;
    const std::string name = dir.file(std::string(200, 'n') + ".las");
    LasRecipe recipe;
    recipe.format = 3;
    write_las(name, recipe);
    EXPECT_EQ(check(name).status, 8);
}

}  // namespace
