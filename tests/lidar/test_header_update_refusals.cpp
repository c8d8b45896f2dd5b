// update_header's refusals: the failure status, one message, and the file
// unchanged; among them a file that shrinks, or cannot be read, after
// validation, or during the call.
#include <gtest/gtest.h>

#ifdef __linux__
#include <fcntl.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#elif !defined(_WIN32)
#include <sys/resource.h>
#endif

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <utility>

#include "Korvane_LiDAR.h"
#include "las_format.hpp"
#include "test_support.hpp"

using namespace testing_support;
using korvane::load_le;

namespace {

namespace fs = std::filesystem;

// ---- Refusals: status 255, one message, file unchanged.

// Runs fn in a child, expects the refusal and an unchanged file.
void expect_refusal(const std::string &path, const std::string &message, const std::function<void()> &fn) {
    const Bytes before = read_file(path);
    const RunResult r = run_in_child(fn);
    EXPECT_EQ(r.status, kFailed);
    EXPECT_EQ(r.out, message);
    EXPECT_TRUE(same_bytes(read_file(path), before));
}

void expect_refusal(const std::string &path, const std::string &message) {
    expect_refusal(path, message, [&] { update_header(path.c_str()); });
}

LasRecipe stale_file() {
    LasRecipe las;
    las.declared_points = 10;
    las.points = {point(1, 2, 3), point(4, 5, 6)};
    return las;
}

TEST(UpdateHeaderRefusal, FileThatCheckLasRejectsKeepsItsMessageOnly) {
    TempDir dir;
    Bytes file = build_las(stale_file());
    file[3] = 'X';
    const std::string path = dir.file("signature.las");
    write_file(path, file);
    expect_refusal(path, "\n" + path + " is not a valid .las file\n\n");

    const std::string shorter = dir.file("short.las");
    write_file(shorter, Bytes(file.begin(), file.begin() + 200));
    expect_refusal(shorter, "\n" + shorter + " is not a valid .las file\n\n");
}

TEST(UpdateHeaderRefusal, PairsWithoutAPointRecordAreNotRewritten) {
    TempDir dir;
    for (const auto &[minor, format] : {std::pair<uint8_t, uint8_t>{0, 2}, {0, 3}, {1, 2}, {1, 3}}) {
        LasRecipe las = stale_file();
        las.minor = minor;
        las.format = format;
        const std::string path = write_las(dir.file("type0.las"), las);
        expect_refusal(path, "\nCannot update header of file " + path + ": version 1." + char('0' + minor) +
                                 " files with point data format " + char('0' + format) + " are not handled\n");
    }
}

// Drops every capability, so that root too is held to permission bits.
bool drop_capabilities() {
#ifdef __linux__
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    return syscall(SYS_capset, &header, data) == 0;
#else
    return true;
#endif
}

TEST(UpdateHeaderRefusal, ReadOnlyFile) {
    TempDir dir;
    const std::string path = write_las(dir.file("read_only.las"), stale_file());
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
#ifdef _WIN32
    // Wine run by root writes to read-only files: nothing to refuse then.
    if (std::FILE *probe = std::fopen(path.c_str(), "r+b")) {
        std::fclose(probe);
        GTEST_SKIP() << "this system lets the user write to read-only files";
    }
#endif
    expect_refusal(path, "\nCannot open binary file " + path + " for header update\n\n", [&] {
        if (!drop_capabilities()) std::_Exit(100);
        update_header(path.c_str());
    });
}

TEST(UpdateHeaderRefusal, MoreRecordsThanA32BitCountCanHold) {
    TempDir dir;
    const std::string path = write_las(dir.file("huge.las"), LasRecipe{});
    // 2^32 records of 20 bytes, as a sparse file: no disk blocks are used.
    const std::uintmax_t size = 227 + 20 * (std::uintmax_t{1} << 32);
    std::error_code ec;
    fs::resize_file(path, size, ec);
    if (ec) GTEST_SKIP() << "this file system cannot hold a sparse file of " << size << " bytes: " << ec.message();

    auto head = [&] {
        Bytes b(4096);
        std::ifstream in(path, std::ios::binary);
        in.read(reinterpret_cast<char *>(b.data()), static_cast<std::streamsize>(b.size()));
        return b;
    };
    const Bytes before = head();
    const RunResult r = update(path);
    EXPECT_EQ(r.status, kFailed);
    EXPECT_EQ(r.out, "\nFile " + path + " holds more point records than its header can count\n");
    EXPECT_EQ(fs::file_size(path), size);
    EXPECT_TRUE(same_bytes(head(), before));
}

TEST(UpdateHeaderRefusal, FailedHeaderWriteIsReportedAndNotConfirmed) {
    TempDir dir;
    const std::string path = write_las(dir.file("no_write.las"), stale_file());
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no file size limit (setrlimit) to make the write fail";
#else
    // With a file size limit of 0 every write to a regular file fails; one
    // of 150 bytes stops the header write part way. Either way the header
    // stays the old one byte for byte, and the limit's signal does not end
    // the process without a word.
    for (const rlim_t size : {rlim_t{0}, rlim_t{150}}) {
        expect_refusal(path, "\nCannot write header of file " + path + "\n", [&] {
            rlimit limit{};
            if (getrlimit(RLIMIT_FSIZE, &limit) != 0) std::_Exit(100);
            limit.rlim_cur = size;
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) std::_Exit(101);
            update_header(path.c_str());
        });
    }
#endif
#ifdef UPDATE_HEADER_EXE
    // A disk that fills part-way through the header and stays full: the
    // bytes written cannot be put back, and the message says so.
    const Bytes before = read_file(path);
    RunOptions full;
    full.program = UPDATE_HEADER_EXE;
    full.environment = writes_failing_after(150);
    const RunResult r = run_pointsieve({path}, dir.path(), full);
    EXPECT_EQ(r.status, kFailed);
    EXPECT_EQ(r.out, "\nCannot write header of file " + path + "; the header may be partly rewritten\n");
    const Bytes after = read_file(path);
    EXPECT_FALSE(same_bytes(after, before));
    EXPECT_TRUE(std::equal(after.begin() + 150, after.end(), before.begin() + 150));
#endif
}

// ---- A file that shrinks, or cannot be read, after validation.
//
// The update_header driver runs with a shim that cuts the file just before
// one of its reads, or fails its reads from a given byte on, as a failing
// disk would. update_header reads the header (1), reads it again once
// validated (2), then the point records in blocks (3 on).

#if defined(UPDATE_HEADER_EXE) && !defined(_WIN32)
#define HAVE_UPDATE_SHIM 1
#else
#define HAVE_UPDATE_SHIM 0
#endif

[[maybe_unused]] constexpr const char *kNoShim = "needs the update_header driver and an LD_PRELOAD shim";

// A stale header over 300 records of format 0.
[[maybe_unused]] LasRecipe many_records() {
    LasRecipe las = stale_file();
    las.points.assign(300, point(5, 6, 7));
    return las;
}

#if HAVE_UPDATE_SHIM
RunResult update_with(const std::string &path, std::vector<std::string> shim) {
    RunOptions options;
    options.program = UPDATE_HEADER_EXE;
    options.environment = std::move(shim);
    return run_pointsieve({path}, fs::path(path).parent_path().string(), options);
}

// The file at path, cut to `to` bytes before the read-th read, is refused
// with message and nothing is written, not even a header over an empty file.
void expect_cut_refused(const std::string &path, int read, std::size_t to, const std::string &message) {
    const Bytes before = read_file(path);
    const RunResult r = update_with(path, shrinking_at_read(path, read, to));
    EXPECT_EQ(r.status, kFailed) << to;
    EXPECT_EQ(r.out, message);
    EXPECT_TRUE(same_bytes(read_file(path), Bytes(before.begin(), before.begin() + to))) << to;
    write_file(path, before);
}
#endif

TEST(UpdateHeaderRefusal, HeaderThatShrankAfterValidation) {
#if HAVE_UPDATE_SHIM
    TempDir dir;
    const std::string path = write_las(dir.file("shrinks.las"), stale_file());
    expect_cut_refused(path, 2, 100, "\nCannot read header of file " + path + "\n");
#else
    GTEST_SKIP() << kNoShim;
#endif
}

// Cut part-way through the records, or to nothing, once the pass has begun.
TEST(UpdateHeaderRefusal, FileThatShrinksDuringTheCall) {
#if HAVE_UPDATE_SHIM
    TempDir dir;
    const std::string path = write_las(dir.file("truncated.las"), many_records());
    for (const std::size_t to : {227 + 20 * 100, 0})
        expect_cut_refused(path, 3, to, "\nFile " + path + " changed after it was validated\n");
#else
    GTEST_SKIP() << kNoShim;
#endif
}

TEST(UpdateHeaderRefusal, FailedReadOfThePoints) {
#if HAVE_UPDATE_SHIM
    TempDir dir;
    const std::string path = write_las(dir.file("unreadable.las"), many_records());
    const Bytes before = read_file(path);
    // Part-way through the records, and at the very first one.
    for (const std::uint64_t from : {227 + 20 * 150, 227}) {
        const RunResult r = update_with(path, failing_reads_of(path, from));
        EXPECT_EQ(r.status, kFailed) << from;
        EXPECT_EQ(r.out, "\nCannot read point records of file " + path + "\n");
        EXPECT_TRUE(same_bytes(read_file(path), before)) << from;
    }
    // The same shim failing far beyond the end lets the update through.
    const RunResult r = update_with(path, failing_reads_of(path, std::uint64_t{1} << 62));
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\rHeader of file " + path + " has been updated    ");
    EXPECT_EQ(load_le<uint32_t>(read_file(path).data() + 107), 300u);
#else
    GTEST_SKIP() << kNoShim;
#endif
}

}  // namespace
