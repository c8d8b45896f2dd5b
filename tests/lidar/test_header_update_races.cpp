// update_header while another user swaps the file's name: whatever the name
// holds at whatever moment, a file that is not the LAS file named is never
// damaged, and nothing waits on a FIFO.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>

#include "Korvane_LiDAR.h"
#include "header_reference.hpp"
#include "validation.hpp"
#include "test_support.hpp"

using namespace testing_support;

namespace {

namespace fs = std::filesystem;

LasRecipe format0_file(int points) {
    LasRecipe las;
    las.declared_points = 7;  // stale: any rewrite changes it
    for (int k = 0; k < points; ++k) {
        Point p;
        p.X = k;
        p.Y = -k;
        p.Z = 3 * k;
        las.points.push_back(p);
    }
    return las;
}

TEST(UpdateHeaderRaces, NameSwappedAtAnyOpen) {
    TempDir dir;
    const std::string text = "a text file of more than two hundred and twenty-seven bytes, " + std::string(300, 't');
    struct Swap {
        const char *what;
        std::function<void(const std::string &)> make;  // makes the replacement at this path
    };
    const Swap swaps[] = {
        {"a link to a text file",
         [&](const std::string &at) { ASSERT_EQ(symlink(dir.file("victim.txt").c_str(), at.c_str()), 0); }},
        {"a LAS file of another format",
         [&](const std::string &at) {
             LasRecipe other = format0_file(1000);
             other.format = 3;
             write_las(at, other);
         }},
        {"a FIFO", [&](const std::string &at) { ASSERT_EQ(mkfifo(at.c_str(), 0600), 0); }},
    };
    for (const Swap &swap : swaps) {
        // The swap may come before the first open, or at any later one.
        for (int open = 1; open <= 3; ++open) {
            SCOPED_TRACE(std::string(swap.what) + " at open " + std::to_string(open));
            fs::remove_all(dir.path());
            fs::create_directories(dir.path());
            write_text(dir.file("victim.txt"), text);
            write_las(dir.file("u.las"), format0_file(10));
            swap.make(dir.file("swap"));
            const Bytes u_before = read_file(dir.file("u.las"));
            const Bytes other_before =
                fs::is_regular_file(fs::symlink_status(dir.file("swap"))) ? read_file(dir.file("swap")) : Bytes{};

            RunOptions options;
            options.program = UPDATE_HEADER_EXE;
            options.time_limit = 20;
            options.environment = swapped_at_open("u.las", "swap", open);
            const RunResult r = run_pointsieve({"u.las"}, dir.path(), options);
            EXPECT_NE(r.status, 1000 + SIGALRM) << "update_header waited on the name";
            EXPECT_TRUE(r.status == 0 || r.status == kFailed) << r.status;
            EXPECT_EQ(read_text(dir.file("victim.txt")), text);

            // Each LAS file, under whichever name it ended, is untouched or
            // updated for its own records.
            for (const char *name : {"u.las", "swap"}) {
                const fs::path path = dir.file(name);
                if (!fs::is_regular_file(fs::symlink_status(path))) continue;
                const Bytes now = read_file(path.string());
                bool expected = false;
                for (const Bytes *before : {&u_before, &other_before}) {
                    if (before->empty()) continue;
                    const int type = korvane::classify_header(before->data(), before->size()).type;
                    expected = expected || now == *before ||
                               now == header_reference::with_figures(
                                          *before, header_reference::scan(before->data(), before->size(), type));
                }
                EXPECT_TRUE(expected) << name << "\n" << r.out;
            }
        }
    }
}

}  // namespace
