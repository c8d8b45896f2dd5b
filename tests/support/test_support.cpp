#include "test_support.hpp"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#else
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <stdexcept>

#include "las_format.hpp"

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

std::string data_file(const std::string &name) { return std::string(TEST_DATA_DIR) + "/" + name; }

std::string copy_data_file(const std::string &name, const std::string &dir) {
    const std::string to = dir + "/" + name;
    write_file(to, read_file(data_file(name)));
    return to;
}

std::size_t format_record_size(int format) {
    switch (format) {
        case 0: return sizeof(LAS12fm0);
        case 1: return sizeof(LAS12fm1);
        case 2: return sizeof(LAS12fm2);
        case 3: return sizeof(LAS12fm3);
        default: return sizeof(LAS12fm0);
    }
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
    h.PointDataFormatID = s.format;
    h.PointDataRecordLength = static_cast<uint16_t>(s.record_length >= 0 ? s.record_length : static_cast<int>(format_record_size(s.format)));
    h.NumberOfPointReturns = static_cast<uint32_t>(s.declared_points >= 0 ? s.declared_points : static_cast<int64_t>(s.points.size()));
    for (const Point &p : s.points) {
        const int r = p.bitfield & 7;
        if (r >= 1 && r <= 5) ++h.NumberOfPointsByReturn[r - 1];
    }
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

#ifndef _WIN32

namespace {

std::string drain(int fd, const std::string &marker = {}, const std::function<void()> &on_marker = {}) {
    std::string out;
    char buf[65536];
    bool acted = marker.empty();
    for (;;) {
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<std::size_t>(n));
            if (!acted && out.find(marker) != std::string::npos) {
                acted = true;
                on_marker();
            }
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    return out;
}

int decode_status(int raw) {
    if (WIFEXITED(raw)) return WEXITSTATUS(raw);
    if (WIFSIGNALED(raw)) return 1000 + WTERMSIG(raw);
    return -1;
}

RunResult run_forked(const std::function<void()> &child, const std::string &marker = {},
                     const std::function<void()> &on_marker = {}) {
    std::fflush(stdout);
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    const pid_t pid = fork();
    if (pid < 0) throw std::runtime_error("fork failed");
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], STDOUT_FILENO);
        close(fds[1]);
        child();
        std::fflush(stdout);
        _exit(0);
    }
    close(fds[1]);
    RunResult r;
    r.out = drain(fds[0], marker, on_marker);
    close(fds[0]);
    int raw = 0;
    while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
    }
    r.status = decode_status(raw);
    return r;
}

}  // namespace

RunResult run_in_child(const std::function<void()> &fn) { return run_forked(fn); }

RunResult run_pointsieve(const std::vector<std::string> &args, const std::string &cwd, const RunOptions &options) {
    RunResult r = run_forked([&] {
        if (chdir(cwd.c_str()) != 0) _exit(120);
        if (options.stdout_to == RunOptions::Stdout::Full || options.stdout_to == RunOptions::Stdout::Closed) {
            dup2(STDOUT_FILENO, STDERR_FILENO);
            if (options.stdout_to == RunOptions::Stdout::Full) {
                const int full = open("/dev/full", O_WRONLY);
                if (full < 0 || dup2(full, STDOUT_FILENO) < 0) _exit(122);
                close(full);
            } else {
                close(STDOUT_FILENO);
            }
        }
        if (options.address_space > 0) {
            const struct rlimit limit = {options.address_space, options.address_space};
            if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(123);
        }
        if (options.file_size > 0) {
            const struct rlimit limit = {options.file_size, options.file_size};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(124);
        }
        for (const std::string &entry : options.environment) putenv(const_cast<char *>(entry.c_str()));
        std::vector<std::string> words = emulator_words();
        words.push_back(options.program.empty() ? POINTSIEVE_EXE : options.program);
        words.insert(words.end(), args.begin(), args.end());
        if (options.stdout_to == RunOptions::Stdout::Terminal) {
            // script runs the command, quoted for its shell, on a new
            // pseudo-terminal and passes on its exit status.
            std::string command;
            for (const std::string &w : words) {
                command += " '";
                for (const char c : w) command += c == '\'' ? std::string("'\\''") : std::string(1, c);
                command += "'";
            }
            words = {"script", "-qec", command, "/dev/null"};
        }
        std::vector<char *> argv;
        for (std::string &w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(121);
    }, options.when_output_has, options.on_output);
    if (options.stdout_to == RunOptions::Stdout::Terminal)
        r.out = std::regex_replace(r.out, std::regex("\r\n"), "\n");
    return r;
}

std::vector<std::string> failing_reads_of(const std::string &path) {
    return {std::string("LD_PRELOAD=") + FAILING_READS_LIB, "POINTSIEVE_FAIL_READS_OF=" + path,
            // The shim is not instrumented; it may come before the runtime.
            "ASAN_OPTIONS=verify_asan_link_order=0"};
}

std::vector<std::string> killed_at_rename() {
    return {std::string("LD_PRELOAD=") + FAILING_READS_LIB, "POINTSIEVE_KILL_AT_RENAME=1",
            "ASAN_OPTIONS=verify_asan_link_order=0"};
}

#endif

std::string banner() {
    static const std::string text = run_in_child([] { credits(); }).out;
    return text;
}

std::string sp(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

std::string progress(const std::string &name, int index, int count) {
    return "\rProcessing file " + name + " (" + std::to_string(index) + " / " + std::to_string(count) + ")" + sp(20);
}

bool sanitized_build() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

std::vector<std::string> emulator_words() {
    std::vector<std::string> words;
#ifdef POINTSIEVE_EMULATOR
    const std::string all = POINTSIEVE_EMULATOR;
    for (std::size_t at = 0; at <= all.size();) {
        const std::size_t tab = std::min(all.find('\t', at), all.size());
        if (tab > at) words.push_back(all.substr(at, tab - at));
        at = tab + 1;
    }
#endif
    return words;
}

}  // namespace testing_support
