// Temporary folders, files, the files of tests/data, and crafted LAS files.
#include "test_support.hpp"

#ifdef _WIN32
#include <sys/stat.h>
#endif

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "las_image.hpp"

namespace testing_support {

namespace fs = std::filesystem;

TempDir::TempDir() {
    fs::create_directories(TEST_TMP_ROOT);
    static std::mt19937_64 random{std::random_device{}()};
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = "t.";
        for (int k = 0; k < 8; ++k) name += letters[random() % (sizeof letters - 1)];
        const fs::path candidate = fs::path(TEST_TMP_ROOT) / name;
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path_ = candidate.generic_string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

Bytes read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string &path, const Bytes &bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("cannot write " + path);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void write_text(const std::string &path, const std::string &text) { write_file(path, Bytes(text.begin(), text.end())); }

std::string read_text(const std::string &path) {
    const Bytes b = read_file(path);
    return lf_text(std::string(b.begin(), b.end()));
}

std::string lf_text(std::string text) {
#ifdef _WIN32
    std::string out;
    out.reserve(text.size());
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (!(text[k] == '\r' && k + 1 < text.size() && text[k + 1] == '\n')) out += text[k];
    }
    text = std::move(out);
#endif
    return text;
}

bool file_exists(const std::string &path) {
#ifdef _WIN32
    // The name is in the process code page (UTF-8), which the C runtime
    // uses and std::filesystem does not.
    struct _stat64 st;
    return _stat64(path.c_str(), &st) == 0;
#else
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
#endif
}

std::string data_file(const std::string &name) {
    // Appended piece by piece: GCC 12 at -O1 takes the one-expression form
    // for an overflow of the string's local buffer (a false -Warray-bounds).
    std::string path = TEST_DATA_DIR;
    path += '/';
    path += name;
    return path;
}

std::string copy_data_file(const std::string &name, const std::string &dir) {
    const std::string to = dir + "/" + name;
    write_file(to, read_file(data_file(name)));
    return to;
}

std::size_t format_record_size(int format) {
    // A format that version 1.2 does not know gets the size of format 0.
    const korvane::LasTypeInfo *info = korvane::las_type_info(korvane::las_type_of(2, static_cast<unsigned>(format)));
    return info ? info->record_size : sizeof(LAS12fm0);
}

LAS12Header make_header(const LasRecipe &s) {
    LAS12Header h;
    std::memset(&h, 0, sizeof h);
    std::memcpy(h.LASF, "LASF", 4);
    h.VersionMajor = s.major;
    h.VersionMinor = s.minor;
    std::memcpy(h.GeneratingSoftware, "pointsieve tests", 16);
    h.HeaderSize = 227;
    h.OffsetToData = static_cast<uint32_t>(s.offset_to_data >= 0 ? s.offset_to_data : 227 + static_cast<int64_t>(s.between.size()));
    h.NumberOfVariableLengthRecords = s.vlr_count;
    h.PointDataFormatID = s.format;
    h.PointDataRecordLength = static_cast<uint16_t>(s.record_length >= 0 ? s.record_length : static_cast<int>(format_record_size(s.format)));
    h.NumberOfPointReturns = static_cast<uint32_t>(s.declared_points >= 0 ? s.declared_points : static_cast<int64_t>(s.points.size()));
    for (const Point &p : s.points) {
        const int r = p.bitfield & 7;
        if (r >= 1 && r <= 5) ++h.NumberOfPointsByReturn[r - 1];
    }
    for (std::size_t k = 0; k < s.by_return.size() && k < 5; ++k) h.NumberOfPointsByReturn[k] = s.by_return[k];
    h.GlobalEncoding = s.global_encoding;
    h.XScaleFactor = s.XScale;
    h.YScaleFactor = s.YScale;
    h.ZScaleFactor = s.ZScale;
    h.XOffset = s.XOffset;
    h.YOffset = s.YOffset;
    h.ZOffset = s.ZOffset;
    h.MaxX = s.MaxX;
    h.MinX = s.MinX;
    h.MaxY = s.MaxY;
    h.MinY = s.MinY;
    h.MaxZ = s.MaxZ;
    h.MinZ = s.MinZ;
    return h;
}

Bytes encode_point(const Point &p, int format) {
    using korvane::store_le;
    Bytes b(format_record_size(format), 0);
    unsigned char *d = b.data();
    store_le<int32_t>(d + offsetof(LAS12fm0, X), p.X);
    store_le<int32_t>(d + offsetof(LAS12fm0, Y), p.Y);
    store_le<int32_t>(d + offsetof(LAS12fm0, Z), p.Z);
    store_le<uint16_t>(d + offsetof(LAS12fm0, Intensity), p.Intensity);
    d[offsetof(LAS12fm0, bitfield)] = p.bitfield;
    d[offsetof(LAS12fm0, Classification)] = p.Classification;
    d[offsetof(LAS12fm0, ScanAngleRank)] = p.ScanAngleRank;
    d[offsetof(LAS12fm0, UserData)] = p.UserData;
    store_le<uint16_t>(d + offsetof(LAS12fm0, PointSourceID), p.PointSourceID);
    if (format == 1) store_le<double>(d + offsetof(LAS12fm1, GPSTime), p.GPSTime);
    if (format == 2) {
        store_le<uint16_t>(d + offsetof(LAS12fm2, Red), p.Red);
        store_le<uint16_t>(d + offsetof(LAS12fm2, Green), p.Green);
        store_le<uint16_t>(d + offsetof(LAS12fm2, Blue), p.Blue);
    }
    if (format == 3) {
        store_le<double>(d + offsetof(LAS12fm3, GPSTime), p.GPSTime);
        store_le<uint16_t>(d + offsetof(LAS12fm3, Red), p.Red);
        store_le<uint16_t>(d + offsetof(LAS12fm3, Green), p.Green);
        store_le<uint16_t>(d + offsetof(LAS12fm3, Blue), p.Blue);
    }
    return b;
}

Bytes build_las(const LasRecipe &s) {
    const std::size_t rec = format_record_size(s.format);
    Bytes out(korvane::kHeaderBytes + s.between.size() + rec * s.points.size() + s.trailing.size());
    korvane::encode_header(make_header(s), out.data());
    unsigned char *at = out.data() + korvane::kHeaderBytes;
    if (!s.between.empty()) std::memcpy(at, s.between.data(), s.between.size());
    at += s.between.size();
    for (const Point &p : s.points) {
        const Bytes r = encode_point(p, s.format);
        std::memcpy(at, r.data(), rec);
        at += rec;
    }
    if (!s.trailing.empty()) std::memcpy(at, s.trailing.data(), s.trailing.size());
    return out;
}

std::string write_las(const std::string &path, const LasRecipe &recipe) {
    write_file(path, build_las(recipe));
    return path;
}

Point point(int32_t x, int32_t y, int32_t z, uint8_t bitfield) {
    Point p;
    p.X = x, p.Y = y, p.Z = z;
    p.bitfield = bitfield;
    p.Intensity = static_cast<uint16_t>(x & 0xFFFF);
    p.GPSTime = 1000.5 + x;
    p.Red = 1, p.Green = 2, p.Blue = 3;
    return p;
}

LasRecipe three_points(uint8_t format) {
    LasRecipe s;
    s.format = format;
    s.MinX = 1.5, s.MaxX = 2.25, s.MinY = -3, s.MaxY = 4, s.MinZ = 0, s.MaxZ = 100.125;
    Point a;
    a.bitfield = 0x09, a.Classification = 2, a.GPSTime = 10.5, a.Intensity = 100, a.PointSourceID = 7;
    Point b;  // return 2 of 7, flagged class, negative scan angle
    b.bitfield = 0x3A, b.Classification = 200, b.GPSTime = -3.25, b.Intensity = 100, b.ScanAngleRank = 166,
    b.UserData = 255, b.PointSourceID = 65535;
    Point c;  // return 0 of 0
    c.bitfield = 0x00, c.Classification = 32, c.GPSTime = 1e6, c.Intensity = 0, c.ScanAngleRank = 246,
    c.UserData = 7, c.PointSourceID = 0;
    s.points = {a, b, c};
    return s;
}

testing::AssertionResult same_bytes(const Bytes &actual, const Bytes &expected) {
    if (actual.size() != expected.size())
        return testing::AssertionFailure() << "size " << actual.size() << ", expected " << expected.size();
    for (std::size_t k = 0; k < actual.size(); ++k)
        if (actual[k] != expected[k])
            return testing::AssertionFailure() << "first difference at byte " << k << ": " << int(actual[k])
                                               << ", expected " << int(expected[k]);
    return testing::AssertionSuccess();
}

}  // namespace testing_support
