// Files replaced whole: a temporary file beside the target, renamed over it.
#include "replace_file.hpp"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <vector>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <chrono>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pointsieve {

using korvane::hold_file_size_signal;
using korvane::is_folder;
using korvane::release_file_size_signal;

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

#if defined(_WIN32)

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

std::FILE *stream_on(int fd) { return _fdopen(fd, "w"); }

void close_descriptor(int fd) { _close(fd); }

bool give_new_file_mode(std::FILE *) { return true; }

bool rename_over(const std::string &from, const std::string &to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

#else

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

std::FILE *stream_on(int fd) { return fdopen(fd, "w"); }

void close_descriptor(int fd) { close(fd); }

// mkstemp creates files readable by their owner alone; a replaced file gets
// the permissions any new file gets.
bool give_new_file_mode(std::FILE *f) {
    const mode_t mask = umask(0);
    umask(mask);
    return fchmod(fileno(f), 0666 & ~mask) == 0;
}

bool rename_over(const std::string &from, const std::string &to) { return std::rename(from.c_str(), to.c_str()) == 0; }

#endif

}  // namespace

bool begin_replacement(const std::string &target, Replacement &r) {
    r.target = target;
    if (is_folder(target.c_str())) {
        errno = EISDIR;  // a folder is never replaced
        return false;
    }
    const int fd = create_temp_file(target, r.temp_name);
    if (fd < 0) return false;
    r.file.reset(stream_on(fd));
    if (!r.file) {
        const int e = errno;
        close_descriptor(fd);
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

}  // namespace pointsieve
