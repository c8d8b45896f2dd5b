// Recomputation of a LAS file's header from its point records, compared byte
// for byte with the file as it should be afterwards, and every refusal.
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
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>

#include "Korvane_LiDAR.h"
#include "header_reference.hpp"
#include "header_update.hpp"
#include "las_format.hpp"
#include "test_support.hpp"

using namespace testing_support;
using header_reference::Figures;
using header_reference::with_figures;
using korvane::load_le;
using korvane::store_le;

namespace {

namespace fs = std::filesystem;

testing::AssertionResult same_bytes(const Bytes &actual, const Bytes &expected) {
    if (actual.size() != expected.size())
        return testing::AssertionFailure() << "size " << actual.size() << ", expected " << expected.size();
    for (std::size_t k = 0; k < actual.size(); ++k)
        if (actual[k] != expected[k])
            return testing::AssertionFailure() << "first difference at byte " << k << ": " << int(actual[k])
                                               << ", expected " << int(expected[k]);
    return testing::AssertionSuccess();
}

// Stale summary fields, so that nothing passes by being left alone.
void make_summary_stale(Bytes &file) {
    store_le<uint32_t>(file.data() + 107, 123456);
    for (int k = 0; k < 5; ++k) store_le<uint32_t>(file.data() + 111 + 4 * k, 7777u + k);
    for (std::size_t at = 179; at < 227; at += 8) store_le<double>(file.data() + at, -1.5e300);
}

std::string updated_line(const std::string &path) { return "\rHeader of file " + path + " has been updated    "; }

RunResult update(const std::string &path) {
    return run_in_child([&] { update_header(path.c_str()); });
}

// Writes file to path, updates it, and checks the output and the result.
void expect_update(const std::string &path, const Bytes &file, const Figures &f) {
    write_file(path, file);
    const RunResult r = update(path);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, updated_line(path));
    EXPECT_TRUE(same_bytes(read_file(path), with_figures(file, f)));
}

Point point(int32_t x, int32_t y, int32_t z, uint8_t bitfield = 0x09) {
    Point p;
    p.X = x, p.Y = y, p.Z = z;
    p.bitfield = bitfield;
    p.Intensity = static_cast<uint16_t>(x & 0xFFFF);
    p.GPSTime = 1000.5 + x;
    p.Red = 1, p.Green = 2, p.Blue = 3;
    return p;
}

TEST(UpdateHeader, RecomputesEveryHandledVersionAndFormat) {
    TempDir dir;
    const std::pair<uint8_t, uint8_t> pairs[] = {{0, 0}, {0, 1}, {1, 0}, {1, 1}, {2, 0}, {2, 1}, {2, 2}, {2, 3}};
    for (const auto &[minor, format] : pairs) {
        SCOPED_TRACE(testing::Message() << "version 1." << int(minor) << " format " << int(format));
        LasRecipe las;
        las.minor = minor;
        las.format = format;
        las.XScale = 0.01, las.YScale = 0.02, las.ZScale = 0.001;
        las.XOffset = 500000, las.YOffset = -4000000, las.ZOffset = 12.5;
        las.between = Bytes(54, 0xC3);  // a variable-length record, never read
        // Return numbers 1 to 5, then 0, 6 and 7, counted in the total only.
        las.points = {point(10, -20, 300, 0x09), point(-7, 44, 2, 0x12),   point(90, 1, -5, 0x1B),
                       point(3, 3, 3, 0x24),      point(5, -60, 8, 0x2D),   point(1000, 5, 7, 0x00),
                       point(-800, 6, 9, 0x3E),   point(4, 70000, 1, 0x07), point(6, 8, -400, 0x09)};
        las.trailing = Bytes(format_record_size(format) - 1, 0x7F);  // a partial record, ignored
        Bytes file = build_las(las);
        make_summary_stale(file);

        Figures f;
        f.count = 9;
        f.byReturn[0] = 2, f.byReturn[1] = 1, f.byReturn[2] = 1, f.byReturn[3] = 1, f.byReturn[4] = 1;
        f.maxX = 1000, f.minX = -800, f.maxY = 70000, f.minY = -60, f.maxZ = 300, f.minZ = -400;
        expect_update(dir.file("types.las"), file, f);
    }
}

TEST(UpdateHeader, CountsTheRecordsPresentWhateverTheHeaderDeclares) {
    TempDir dir;
    for (const int64_t declared : {0, 1, 3, 4, 1000000}) {
        SCOPED_TRACE(testing::Message() << "declared " << declared);
        LasRecipe las;
        las.declared_points = declared;
        las.points = {point(1, 2, 3), point(4, 5, 6, 0x12), point(-1, -2, -3)};
        Figures f;
        f.count = 3;
        f.byReturn[0] = 2, f.byReturn[1] = 1;
        f.maxX = 4, f.minX = -1, f.maxY = 5, f.minY = -2, f.maxZ = 6, f.minZ = -3;
        expect_update(dir.file("declared.las"), build_las(las), f);
    }
}

TEST(UpdateHeader, NoWholeRecordGivesZeroCountsAndKeepsTheBounds) {
    TempDir dir;
    struct Case {
        const char *what;
        std::size_t trailing;
        int64_t offset;  // -1: straight after the header
    };
    const Case cases[] = {
        {"no bytes after the header", 0, -1},
        {"a partial record only", 19, -1},
        {"offset at the end of the file", 0, 227},
        {"offset beyond the end of the file", 40, 5000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LasRecipe las;
        las.declared_points = 5;
        las.XScale = 0.5, las.YScale = 0.25, las.ZScale = 0.125;
        las.XOffset = 100, las.YOffset = -200, las.ZOffset = 300;
        las.MinX = -12.5, las.MaxX = 7.25, las.MinY = 1e6, las.MaxY = 2e6, las.MinZ = -0.5, las.MaxZ = 99;
        las.trailing = Bytes(c.trailing, 0x11);
        las.offset_to_data = c.offset;
        Bytes file = build_las(las);
        for (int k = 0; k < 5; ++k) store_le<uint32_t>(file.data() + 111 + 4 * k, 9u + k);
        // Only the count and the counts by return change, to 0.
        Bytes expected = file;
        std::fill(expected.begin() + 107, expected.begin() + 131, 0);
        const std::string path = dir.file("empty.las");
        write_file(path, file);
        const RunResult r = update(path);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, updated_line(path));
        EXPECT_TRUE(same_bytes(read_file(path), expected));
    }
}

TEST(UpdateHeader, IntegerExtremesAnywhereInTheRange) {
    TempDir dir;
    struct Case {
        const char *what;
        std::vector<Point> points;
        Figures f;
        double ZScale = 0.01, ZOffset = -3;
    };
    auto figures = [](int32_t maxX, int32_t minX, int32_t maxY, int32_t minY, int32_t maxZ, int32_t minZ) {
        Figures f;
        f.maxX = maxX, f.minX = minX, f.maxY = maxY, f.minY = minY, f.maxZ = maxZ, f.minZ = minZ;
        return f;
    };
    const Case cases[] = {
        {"every X at the top, every Y at the bottom, every Z above ten million",
         {point(INT32_MAX, INT32_MIN, 20000000), point(INT32_MAX, INT32_MIN, 10000001)},
         figures(INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN, 20000000, 10000001)},
        {"every X and Y at the bottom, every Z at the top",
         {point(INT32_MIN, INT32_MIN, INT32_MAX), point(INT32_MIN, INT32_MIN, INT32_MAX)},
         figures(INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX)},
        {"X one above the bottom, Y at the top, Z below minus ten million",
         {point(-2147483647, INT32_MAX, -20000000), point(-2147483647, 2147483646, -10000001)},
         figures(-2147483647, -2147483647, INT32_MAX, 2147483646, -10000001, -20000000)},
        {"one record sets both extremes",
         {point(INT32_MAX, 0, INT32_MIN)},
         figures(INT32_MAX, INT32_MAX, 0, 0, INT32_MIN, INT32_MIN)},
        {"both ends of the range in one file",
         {point(INT32_MIN, INT32_MAX, -10000001), point(INT32_MAX, INT32_MIN, 10000001)},
         figures(INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN, 10000001, -10000001)},
        // Heights of 39.08 to 78.5 m in steps of 1e-7 m: every integer Z
        // lies far above ten million.
        {"a fine Z scale",
         {point(5, 5, 785000000), point(5, 5, 390800000), point(5, 5, 512345678)},
         figures(5, 5, 5, 5, 785000000, 390800000),
         1e-7,
         0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        LasRecipe las;
        las.XScale = 0.001, las.YScale = 0.001, las.ZScale = c.ZScale;
        las.XOffset = 1e6, las.YOffset = 0, las.ZOffset = c.ZOffset;
        las.points = c.points;
        Figures f = c.f;
        f.count = f.byReturn[0] = static_cast<uint32_t>(c.points.size());
        expect_update(dir.file("extremes.las"), build_las(las), f);
    }
}

TEST(UpdateHeader, FiguresCarryAcrossReadBlocks) {
    TempDir dir;
    LasRecipe las;
    las.format = 1;
    // Over 2 MiB of records, with the extremes in the first, a middle and the
    // last record.
    las.points.assign(80000, point(0, 0, 0, 0x12));
    las.points.front() = point(-90, 0, 0, 0x09);
    las.points[40000] = point(0, 77, -66, 0x09);
    las.points.back() = point(55, -44, 33, 0x0B);
    las.trailing = Bytes(27, 0x01);
    Figures f;
    f.count = 80000;
    f.byReturn[0] = 2, f.byReturn[1] = 79997, f.byReturn[2] = 1;
    f.maxX = 55, f.minX = -90, f.maxY = 77, f.minY = -44, f.maxZ = 33, f.minZ = -66;
    expect_update(dir.file("blocks.las"), build_las(las), f);
}

TEST(UpdateHeader, NegativeScaleFactorPutsTheSmallerRealValueInMax) {
    TempDir dir;
    LasRecipe las;
    las.XScale = -0.01, las.YScale = 0.01, las.ZScale = -1;
    las.XOffset = 1000;
    las.points = {point(100, 1, 5), point(300, 2, 9)};
    Figures f;
    f.count = 2;
    f.byReturn[0] = 2;
    f.maxX = 300, f.minX = 100, f.maxY = 2, f.minY = 1, f.maxZ = 9, f.minZ = 5;
    const std::string path = dir.file("negative.las");
    expect_update(path, build_las(las), f);
    const LAS12Header h = korvane::decode_header(read_file(path).data());
    // Packed fields are copied before gtest takes references to them.
    const double maxX = h.MaxX, minX = h.MinX, maxZ = h.MaxZ;
    EXPECT_EQ(maxX, 1000 - 0.01 * 300);
    EXPECT_LT(maxX, minX);
    EXPECT_EQ(maxZ, -9.0);
}

TEST(UpdateHeader, LeavesALongerHeaderAndVariableLengthRecordsIntact) {
    TempDir dir;
    LasRecipe las;
    Bytes extra(8);  // header bytes beyond the first 227
    for (std::size_t k = 0; k < extra.size(); ++k) extra[k] = static_cast<unsigned char>(0xE0 + k);
    Bytes vlr(54 + 16);
    for (std::size_t k = 0; k < vlr.size(); ++k) vlr[k] = static_cast<unsigned char>(k * 37);
    las.between = extra;
    las.between.insert(las.between.end(), vlr.begin(), vlr.end());
    las.points = {point(7, 8, 9), point(-7, -8, -9, 0x12)};
    las.trailing = {1, 2, 3};
    Bytes file = build_las(las);
    store_le<uint16_t>(file.data() + 94, 235);
    store_le<uint32_t>(file.data() + 100, 1);
    make_summary_stale(file);
    Figures f;
    f.count = 2;
    f.byReturn[0] = 1, f.byReturn[1] = 1;
    f.maxX = 7, f.minX = -7, f.maxY = 8, f.minY = -8, f.maxZ = 9, f.minZ = -9;
    expect_update(dir.file("long_header.las"), file, f);
}

TEST(UpdateHeader, RealFilesGetTheirOwnFiguresAndASecondUpdateChangesNothing) {
    TempDir dir;
    for (const char *name : {"1.0_0.las", "1.0_1.las", "1.1_0.las", "1.1_1.las", "1.2_0.las", "1.2_1.las",
                             "1.2_2.las", "1.2_3.las", "autzen.las", "simple.las"}) {
        SCOPED_TRACE(name);
        const std::string path = copy_data_file(name, dir.path());
        const Bytes before = read_file(path);
        const LAS12Header original = korvane::decode_header(before.data());
        const Figures f = header_reference::scan(
            before.data(), before.size(), korvane::las_type_of(original.VersionMinor, original.PointDataFormatID));
        EXPECT_EQ(f.count, uint32_t{original.NumberOfPointReturns});

        RunResult r = update(path);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, updated_line(path));
        const Bytes after = read_file(path);
        EXPECT_TRUE(same_bytes(after, with_figures(before, f)));

        // The writers of these files stored the same bounds, up to rounding.
        const LAS12Header h = korvane::decode_header(after.data());
        EXPECT_NEAR(double{h.MaxX}, double{original.MaxX}, double{original.XScaleFactor});
        EXPECT_NEAR(double{h.MinY}, double{original.MinY}, double{original.YScaleFactor});
        EXPECT_NEAR(double{h.MaxZ}, double{original.MaxZ}, double{original.ZScaleFactor});

        r = update(path);
        EXPECT_EQ(r.status, 0);
        EXPECT_TRUE(same_bytes(read_file(path), after));
    }
    // Figures that another reader gives for simple.las.
    const LAS12Header h = korvane::decode_header(read_file(dir.file("simple.las")).data());
    EXPECT_EQ(uint32_t{h.NumberOfPointReturns}, 1065u);
    const uint32_t byReturn[5] = {925, 114, 21, 5, 0};
    for (int k = 0; k < 5; ++k) EXPECT_EQ(uint32_t{h.NumberOfPointsByReturn[k]}, byReturn[k]) << "return " << k + 1;
}

TEST(UpdateHeader, NamesOfAnyLength) {
    TempDir dir;
    std::string folder = dir.path();
    for (int k = 0; k < 4; ++k) {
        folder += "/" + std::string(200, static_cast<char>('a' + k));
        fs::create_directory(folder);
    }
    LasRecipe las;
    las.points = {point(1, 1, 1)};
    const std::string path = write_las(folder + "/" + std::string(240, 'n') + ".las", las);
    ASSERT_GT(path.size(), 1000u);
    Figures f;
    f.count = 1;
    f.byReturn[0] = 1;
    f.maxX = f.minX = f.maxY = f.minY = f.maxZ = f.minZ = 1;
    expect_update(path, build_las(las), f);

    las.minor = 1;
    las.format = 3;
    write_las(path, las);
    const RunResult r = update(path);
    EXPECT_EQ(r.status, kFailed);
    EXPECT_EQ(r.out, "\nCannot update header of file " + path +
                         ": version 1.1 files with point data format 3 are not handled\n");
}

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
}

// ---- A file that shrinks, or cannot be read, after validation.
//
// update_header_stream is handed a stream over the real file whose reads see
// only the first `visible` bytes and fail from byte `fail_from` on, as a
// failing disk's would. Writes reach the file, so a refusal that wrote
// anything shows in its bytes.

#if defined(__GLIBC__)
struct FailingFile {
    int fd;
    off64_t pos;
    off64_t visible;
    off64_t fail_from;
};

ssize_t failing_read(void *cookie, char *buf, size_t n) {
    auto *f = static_cast<FailingFile *>(cookie);
    if (f->pos >= f->fail_from) {
        errno = EIO;
        return -1;
    }
    const off64_t end = std::min(f->visible, f->fail_from);
    n = static_cast<size_t>(std::clamp<off64_t>(end - f->pos, 0, static_cast<off64_t>(n)));
    const ssize_t got = pread(f->fd, buf, n, f->pos);
    if (got > 0) f->pos += got;
    return got;
}

ssize_t failing_write(void *cookie, const char *buf, size_t n) {
    auto *f = static_cast<FailingFile *>(cookie);
    const ssize_t put = pwrite(f->fd, buf, n, f->pos);
    if (put > 0) f->pos += put;
    return put;
}

int failing_seek(void *cookie, off64_t *offset, int whence) {
    auto *f = static_cast<FailingFile *>(cookie);
    const off64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->pos : f->visible;
    f->pos = base + *offset;
    *offset = f->pos;
    return 0;
}

int failing_close(void *cookie) { return close(static_cast<FailingFile *>(cookie)->fd); }

// In the calling (child) process: update_header_stream on such a stream.
void update_failing(const std::string &path, off64_t visible, off64_t fail_from) {
    static FailingFile file;
    file = FailingFile{open(path.c_str(), O_RDWR), 0, visible, fail_from};
    std::FILE *stream = fopencookie(&file, "r+", {failing_read, failing_write, failing_seek, failing_close});
    if (file.fd < 0 || !stream) std::_Exit(102);
    korvane::update_header_stream(korvane::FilePtr(stream), path.c_str(), check_las(path.c_str()));
}
#endif

TEST(UpdateHeaderRefusal, HeaderThatShrankAfterValidation) {
#if defined(__GLIBC__)
    TempDir dir;
    const std::string path = write_las(dir.file("shrinks.las"), stale_file());
    expect_refusal(path, "\nCannot read header of file " + path + "\n", [&] { update_failing(path, 100, LLONG_MAX); });
#else
    GTEST_SKIP() << "needs the C library's custom streams (fopencookie)";
#endif
}

TEST(UpdateHeaderRefusal, FailedReadOfThePoints) {
#if defined(__GLIBC__)
    TempDir dir;
    LasRecipe las = stale_file();
    las.points.assign(300, point(5, 6, 7));
    const std::string path = write_las(dir.file("unreadable.las"), las);
    const off64_t size = static_cast<off64_t>(fs::file_size(path));
    // Part-way through the records, and at the very first one.
    for (const off64_t fail_from : {off64_t{227 + 20 * 150}, off64_t{227}})
        expect_refusal(path, "\nCannot read point records of file " + path + "\n",
                       [&] { update_failing(path, size, fail_from); });
    // The same stream without the failure updates the header.
    const RunResult r = run_in_child([&] { update_failing(path, size, LLONG_MAX); });
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "\rHeader of file " + path + " has been updated    ");
    EXPECT_EQ(load_le<uint32_t>(read_file(path).data() + 107), 300u);
#else
    GTEST_SKIP() << "needs the C library's custom streams (fopencookie)";
#endif
}

}  // namespace
