// Files replaced whole: a temporary file beside the target, renamed over it.
#include "replace_file.hpp"

#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <string_view>
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

enum class Standing { Replaceable, WriteThrough, AppendTo, Refused };

// What the name holds: nothing or a file (replaced), a device such as NUL
// or CON (written through when the user named it), or a folder (refused).
// A last component longer than the 255 UTF-16 units of NTFS is refused
// too, before anything is written, since the rename would fail at the end.
Standing what_stands(const std::string &name, NameFrom from, int &own) {
    own = -1;
    std::size_t units = 0;
    for (std::size_t k = name.find_last_of("/\\") + 1; k < name.size(); ++k) {
        const auto c = static_cast<unsigned char>(name[k]);
        units += (c & 0xC0) != 0x80 ? (c >= 0xF0 ? 2 : 1) : 0;
    }
    if (units > 255) {
        errno = ENAMETOOLONG;
        return Standing::Refused;
    }
    struct _stat64 st;
    if (_stat64(name.c_str(), &st) != 0) return errno == ENOENT ? Standing::Replaceable : Standing::Refused;
    if ((st.st_mode & _S_IFMT) == _S_IFREG) return Standing::Replaceable;
    if ((st.st_mode & _S_IFMT) == _S_IFCHR && from == NameFrom::User) return Standing::WriteThrough;
    errno = (st.st_mode & _S_IFMT) == _S_IFDIR ? EISDIR : EINVAL;
    return Standing::Refused;
}

std::FILE *open_through(const std::string &name, bool, int) { return std::fopen(name.c_str(), "w"); }

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

// The real path of a folder, or "" when it has none.
std::string real_folder(const std::string &folder) {
    char *real = realpath(folder.c_str(), nullptr);
    std::string r = real ? real : "";
    std::free(real);
    return r;
}

// True when name reaches its file through a descriptor link: a link that
// lies in /proc (/proc/self/fd/1), or a chain of links that passes through
// one (/dev/stdout, /dev/fd/1). own is then the number of the descriptor of
// this process that it names, or -1 when it names another process's.
bool through_descriptor_link(std::string path, int &own) {
    own = -1;
    for (int hop = 0; hop < 40; ++hop) {
        const std::size_t slash = path.find_last_of('/');
        const std::string folder = real_folder(slash == std::string::npos ? "." : path.substr(0, slash + 1));
        struct stat st;
        if (folder.starts_with("/proc/")) {
            const std::string number = path.substr(slash + 1);
            if (folder == real_folder("/proc/self/fd") && !number.empty() && number.size() < 9 &&
                number.find_first_not_of("0123456789") == std::string::npos)
                own = std::atoi(number.c_str());
            return true;
        }
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return false;
        std::vector<char> target(256);
        ssize_t n;
        while ((n = readlink(path.c_str(), target.data(), target.size())) == static_cast<ssize_t>(target.size()))
            target.resize(target.size() * 2);
        if (n <= 0) return false;
        const std::string next(target.data(), static_cast<std::size_t>(n));
        path = next.starts_with('/') || slash == std::string::npos ? next : path.substr(0, slash + 1) + next;
    }
    return false;
}

enum class Standing { Replaceable, WriteThrough, AppendTo, Refused };

// What the name holds, following links: nothing, a dangling link or a
// regular file are replaced; the rest as NameFrom says. For a regular file
// that the user named through a descriptor link, own is the descriptor of
// this process to write through (standard output for /dev/stdout), or -1
// to append to the file.
Standing what_stands(const std::string &name, NameFrom from, int &own) {
    own = -1;
    struct stat st;
    if (stat(name.c_str(), &st) != 0)
        return errno == ENOENT || errno == ELOOP ? Standing::Replaceable : Standing::Refused;
    if (S_ISREG(st.st_mode))
        return from == NameFrom::User && through_descriptor_link(name, own) ? Standing::AppendTo
                                                                              : Standing::Replaceable;
    if (from == NameFrom::User && (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode))) return Standing::WriteThrough;
    errno = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    return Standing::Refused;
}

// Opens a target that is written through. The open does not block, so a
// FIFO that nobody reads fails at once (ENXIO); the writes then block as
// usual. What was opened must still be what what_stands saw. A descriptor
// of this process is written through a copy of itself, so that its writes
// and the process's own follow one another in the file.
std::FILE *open_through(const std::string &name, bool append, int own) {
    int flags = O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    if (append) flags |= O_APPEND;
    const int fd = own >= 0 ? fcntl(own, F_DUPFD_CLOEXEC, 0) : open(name.c_str(), flags);
    if (fd < 0) return nullptr;
    struct stat st;
    const bool expected = fstat(fd, &st) == 0 && (append ? S_ISREG(st.st_mode)
                                                         : S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode));
    const int status = fcntl(fd, F_GETFL);
    const bool blocking = own >= 0 || (status != -1 && fcntl(fd, F_SETFL, status & ~O_NONBLOCK) == 0);
    std::FILE *f = expected && blocking ? fdopen(fd, "w") : nullptr;
    if (!f) {
        const int e = expected ? errno : EINVAL;
        close(fd);
        errno = e;
    }
    return f;
}

#endif

}  // namespace

bool begin_replacement(const std::string &target, Replacement &r, NameFrom from) {
    r.target = target;
    r.temp_name.clear();
    int own = -1;
    const Standing standing = what_stands(target, from, own);
    switch (standing) {
        case Standing::Refused: return false;
        case Standing::WriteThrough:
        case Standing::AppendTo:
            r.file.reset(open_through(target, standing == Standing::AppendTo, own));
            if (!r.file) return false;
            hold_file_size_signal();
            return true;
        case Standing::Replaceable: break;
    }
    const int fd = create_temp_file(target, r.temp_name);
    if (fd < 0) {
        r.temp_name.clear();
        return false;
    }
    r.file.reset(stream_on(fd));
    if (!r.file) {
        const int e = errno;
        close_descriptor(fd);
        std::remove(r.temp_name.c_str());
        r.temp_name.clear();
        errno = e;
        return false;
    }
    hold_file_size_signal();
    return true;
}

namespace {

void remove_temp_file(Replacement &r) {
    if (r.temp_name.empty()) return;
    const int e = errno;
    std::remove(r.temp_name.c_str());
    r.temp_name.clear();
    errno = e;
}

}  // namespace

bool complete_replacement(Replacement &r) {
    bool ok = std::fflush(r.file.get()) == 0 && !std::ferror(r.file.get());
    if (!r.temp_name.empty()) ok = give_new_file_mode(r.file.get()) && ok;
    ok = std::fclose(r.file.release()) == 0 && ok;
    release_file_size_signal();
    if (!ok) remove_temp_file(r);
    return ok;
}

bool commit_replacement(Replacement &r) {
    if (r.temp_name.empty()) return true;
    const bool ok = rename_over(r.temp_name, r.target);
    if (ok)
        r.temp_name.clear();
    else
        remove_temp_file(r);
    return ok;
}

bool finish_replacement(Replacement &r) { return complete_replacement(r) && commit_replacement(r); }

void abandon_replacement(Replacement &r) {
    if (r.file) {
        r.file.reset();
        release_file_size_signal();
    }
    remove_temp_file(r);
}

}  // namespace pointsieve
