// The platform-dependent half of file access: non-blocking opens of regular
// files, 64-bit offsets and the guard on closed standard descriptors.
#include "file_util.hpp"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>

#include <chrono>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korvane {

namespace {

// How many bytes to drop from the end of a target name so that its temporary
// name, 11 bytes longer, still fits where the target fits: a last component
// is kept to 200 bytes, cut before a UTF-8 sequence rather than inside one.
std::size_t temp_cut(const std::string &target) {
    const std::size_t slash = target.find_last_of("/\\");
    const std::size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::size_t keep = target.size() - start;
    if (keep <= 200) return 0;
    keep = 200;
    while (keep > 0 && (static_cast<unsigned char>(target[start + keep]) & 0xC0) == 0x80) --keep;
    return target.size() - start - keep;
}

// Windows opens no folder as a file; POSIX opens one for reading and fails
// its reads. A folder counts as present but not regular on both.
bool is_folder_name(const char *name) {
#if defined(_WIN32)
    struct _stat64 st;
    return _stat64(name, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR;
#else
    struct stat st;
    return stat(name, &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

}  // namespace

#if defined(_WIN32)

FilePtr open_regular_file(const char *name, OpenOutcome &outcome, bool for_update) {
    FilePtr f(std::fopen(name, for_update ? "r+b" : "rb"));
    if (!f) {
        outcome = is_folder_name(name) ? OpenOutcome::NotRegular : OpenOutcome::CannotOpen;
        return f;
    }
    struct _stat64 st;
    if (_fstat64(_fileno(f.get()), &st) != 0 || (st.st_mode & _S_IFMT) != _S_IFREG) {
        outcome = OpenOutcome::NotRegular;
        return nullptr;
    }
    outcome = OpenOutcome::Ok;
    return f;
}

bool opens_for_reading(const char *name) {
    const int fd = _open(name, _O_RDONLY | _O_BINARY);
    if (fd < 0) return is_folder_name(name);
    _close(fd);
    return true;
}

std::int64_t stream_size(std::FILE *f) {
    if (_fseeki64(f, 0, SEEK_END) != 0) return -1;
    const std::int64_t end = _ftelli64(f);
    if (_fseeki64(f, 0, SEEK_SET) != 0) return -1;
    return end;
}

bool seek_to(std::FILE *f, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT64_MAX) &&
           _fseeki64(f, static_cast<std::int64_t>(offset), SEEK_SET) == 0;
}

void guard_standard_streams() {}

std::size_t write_at(std::FILE *f, std::uint64_t offset, const unsigned char *bytes, std::size_t n) {
    const int fd = _fileno(f);
    if (std::fflush(f) != 0 || offset > static_cast<std::uint64_t>(INT64_MAX) ||
        _lseeki64(fd, static_cast<__int64>(offset), SEEK_SET) < 0)
        return 0;
    std::size_t done = 0;
    while (done < n) {
        const int w = _write(fd, bytes + done, static_cast<unsigned>(n - done));
        if (w <= 0) break;
        done += static_cast<std::size_t>(w);
    }
    return done;
}

bool sync_to_storage(std::FILE *f) { return std::fflush(f) == 0 && _commit(_fileno(f)) == 0; }

void hold_file_size_signal() {}
void release_file_size_signal() {}

namespace {

// Creates and opens a new file of a name not yet taken: "<target>.tmp."
// followed by six characters that vary with the process, the time and each
// attempt.
int create_temp_file(const std::string &target, std::string &temp_name) {
    static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    unsigned long long seed = static_cast<unsigned long long>(GetCurrentProcessId()) * 2654435761ull ^
                              static_cast<unsigned long long>(
                                  std::chrono::steady_clock::now().time_since_epoch().count());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp_name = target.substr(0, target.size() - temp_cut(target)) + ".tmp.";
        unsigned long long v = seed + static_cast<unsigned long long>(attempt) * 0x9E3779B97F4A7C15ull;
        for (int k = 0; k < 6; ++k, v /= 36) temp_name += kChars[v % 36];
        const int fd = _open(temp_name.c_str(), _O_CREAT | _O_EXCL | _O_WRONLY | _O_TEXT, _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool give_new_file_mode(std::FILE *) { return true; }

bool rename_over(const std::string &from, const std::string &to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

}  // namespace

#else

namespace {

int open_nonblocking(const char *name, int access = O_RDONLY) {
    int flags = access | O_NONBLOCK;
#ifdef O_CLOEXEC
    flags |= O_CLOEXEC;
#endif
    return open(name, flags);
}

}  // namespace

FilePtr open_regular_file(const char *name, OpenOutcome &outcome, bool for_update) {
    const int fd = open_nonblocking(name, for_update ? O_RDWR : O_RDONLY);
    if (fd < 0) {
        outcome = OpenOutcome::CannotOpen;
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        outcome = OpenOutcome::NotRegular;
        return nullptr;
    }
    FilePtr f(fdopen(fd, for_update ? "r+b" : "rb"));
    if (!f) {
        const int error = errno;
        close(fd);
        errno = error;
        outcome = OpenOutcome::CannotOpen;
        return nullptr;
    }
    outcome = OpenOutcome::Ok;
    return f;
}

bool opens_for_reading(const char *name) {
    const int fd = open_nonblocking(name);
    if (fd < 0) return false;
    close(fd);
    return true;
}

static_assert(sizeof(off_t) == 8, "the build defines _FILE_OFFSET_BITS=64");

std::int64_t stream_size(std::FILE *f) {
    if (fseeko(f, 0, SEEK_END) != 0) return -1;
    const off_t end = ftello(f);
    if (fseeko(f, 0, SEEK_SET) != 0) return -1;
    return static_cast<std::int64_t>(end);
}

bool seek_to(std::FILE *f, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT64_MAX) && fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
}

namespace {

int file_size_signal_holds = 0;
struct sigaction file_size_signal_before;

int create_temp_file(const std::string &target, std::string &temp_name) {
    std::vector<char> pattern(target.begin(), target.end() - static_cast<std::ptrdiff_t>(temp_cut(target)));
    for (const char c : std::string(".tmp.XXXXXX")) pattern.push_back(c);
    pattern.push_back('\0');
    const int fd = mkstemp(pattern.data());
    if (fd >= 0) {
        temp_name = pattern.data();
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    return fd;
}

// mkstemp creates files readable by their owner alone; the statistics file
// gets the permissions any new file gets.
bool give_new_file_mode(std::FILE *f) {
    const mode_t mask = umask(0);
    umask(mask);
    return fchmod(fileno(f), 0666 & ~mask) == 0;
}

bool rename_over(const std::string &from, const std::string &to) { return std::rename(from.c_str(), to.c_str()) == 0; }

}  // namespace

std::size_t write_at(std::FILE *f, std::uint64_t offset, const unsigned char *bytes, std::size_t n) {
    if (std::fflush(f) != 0 || offset > static_cast<std::uint64_t>(INT64_MAX)) return 0;
    if (fileno(f) < 0) {
        // A stream with no descriptor behind it (a custom stream) is written
        // through the stream.
        if (!seek_to(f, offset)) return 0;
        const std::size_t done = std::fwrite(bytes, 1, n, f);
        return std::fflush(f) == 0 ? done : 0;
    }
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = pwrite(fileno(f), bytes + done, n - done, static_cast<off_t>(offset + done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        done += static_cast<std::size_t>(w);
    }
    return done;
}

bool sync_to_storage(std::FILE *f) { return std::fflush(f) == 0 && (fileno(f) < 0 || fsync(fileno(f)) == 0); }

void hold_file_size_signal() {
    if (file_size_signal_holds++ > 0) return;
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGXFSZ, &ignore, &file_size_signal_before);
}

void release_file_size_signal() {
    if (file_size_signal_holds == 0 || --file_size_signal_holds > 0) return;
    sigaction(SIGXFSZ, &file_size_signal_before, nullptr);
}

void guard_standard_streams() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
        // Input gets a descriptor that cannot be read, output one that
        // cannot be written, so any use of it fails with EBADF.
        const int placeholder = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
        if (placeholder >= 0 && placeholder != fd) {
            dup2(placeholder, fd);
            close(placeholder);
        }
    }
}

#endif

bool begin_replacement(const std::string &target, Replacement &r) {
    r.target = target;
    if (is_folder_name(target.c_str())) {
        errno = EISDIR;  // a folder is never replaced
        return false;
    }
    const int fd = create_temp_file(target, r.temp_name);
    if (fd < 0) return false;
#if defined(_WIN32)
    r.file.reset(_fdopen(fd, "w"));
#else
    r.file.reset(fdopen(fd, "w"));
#endif
    if (!r.file) {
        const int e = errno;
#if defined(_WIN32)
        _close(fd);
#else
        close(fd);
#endif
        std::remove(r.temp_name.c_str());
        errno = e;
        return false;
    }
    hold_file_size_signal();
    return true;
}

bool finish_replacement(Replacement &r) {
    bool ok = std::fflush(r.file.get()) == 0 && !std::ferror(r.file.get());
    ok = give_new_file_mode(r.file.get()) && ok;
    ok = std::fclose(r.file.release()) == 0 && ok;
    release_file_size_signal();
    ok = ok && rename_over(r.temp_name, r.target);
    if (!ok) {
        const int e = errno;
        std::remove(r.temp_name.c_str());
        errno = e;
    }
    return ok;
}

void abandon_replacement(Replacement &r) {
    if (!r.file) return;
    r.file.reset();
    release_file_size_signal();
    std::remove(r.temp_name.c_str());
}

namespace {

bool stdout_is_terminal() {
#if defined(_WIN32)
    static const bool terminal = _isatty(_fileno(stdout)) != 0;
#else
    static const bool terminal = isatty(fileno(stdout)) != 0;
#endif
    return terminal;
}

}  // namespace

ShownName shown(const char *name) noexcept {
    ShownName s{name, {}};
    const auto control = [](char c) { return (c >= 1 && c <= 31) || c == 127; };
    if (!stdout_is_terminal() || std::none_of(name, name + std::strlen(name), control)) return s;
    try {
        s.changed = name;
    } catch (const std::bad_alloc &) {
        return s;
    }
    for (char &c : s.changed)
        if (control(c)) c = '?';
    return s;
}

void end_with_failure() {
    std::fflush(stdout);
    std::exit(kFailureStatus);
}

}  // namespace korvane
