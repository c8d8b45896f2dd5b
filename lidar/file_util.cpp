// The platform-dependent half of file access: non-blocking opens of regular
// files, 64-bit offsets, positioned writes and the file-size signal.
#include "file_util.hpp"

#include <cerrno>
#include <cstdio>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korvane {

// Windows opens no folder as a file; POSIX opens one for reading and fails
// its reads. A folder counts as present but not regular on both.
bool is_folder(const char *name) {
#if defined(_WIN32)
    struct _stat64 st;
    return _stat64(name, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR;
#else
    struct stat st;
    return stat(name, &st) == 0 && S_ISDIR(st.st_mode);
#endif
}

#if defined(_WIN32)

namespace {

// The volume and index that identify the file behind name, as stat's
// device and inode do elsewhere.
bool file_identity(const char *name, BY_HANDLE_FILE_INFORMATION &info) {
    const HANDLE h = CreateFileA(name, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    CloseHandle(h);
    return ok;
}

}  // namespace

#endif

bool same_file(const char *a, const char *b) {
#if defined(_WIN32)
    BY_HANDLE_FILE_INFORMATION ia, ib;
    return file_identity(a, ia) && file_identity(b, ib) && ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
#else
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
#endif
}

#if defined(_WIN32)

FilePtr open_regular_file(const char *name, OpenOutcome &outcome, bool for_update) {
    FilePtr f(std::fopen(name, for_update ? "r+b" : "rb"));
    if (!f) {
        outcome = is_folder(name) ? OpenOutcome::NotRegular : OpenOutcome::CannotOpen;
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
    if (fd < 0) return is_folder(name);
    _close(fd);
    return true;
}

std::int64_t descriptor_size(std::FILE *f) {
    struct _stat64 st;
    return _fstat64(_fileno(f), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

bool seek_to(std::FILE *f, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT64_MAX) &&
           _fseeki64(f, static_cast<std::int64_t>(offset), SEEK_SET) == 0;
}

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

std::int64_t descriptor_size(std::FILE *f) {
    struct stat st;
    return fstat(fileno(f), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

bool seek_to(std::FILE *f, std::uint64_t offset) {
    return offset <= static_cast<std::uint64_t>(INT64_MAX) && fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
}

std::size_t write_at(std::FILE *f, std::uint64_t offset, const unsigned char *bytes, std::size_t n) {
    if (std::fflush(f) != 0 || offset > static_cast<std::uint64_t>(INT64_MAX)) return 0;
    std::size_t done = 0;
    while (done < n) {
        const ssize_t w = pwrite(fileno(f), bytes + done, n - done, static_cast<off_t>(offset + done));
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) break;
        done += static_cast<std::size_t>(w);
    }
    return done;
}

bool sync_to_storage(std::FILE *f) { return std::fflush(f) == 0 && fsync(fileno(f)) == 0; }

#endif

#if defined(_WIN32)

void hold_file_size_signal() {}
void release_file_size_signal() {}

#else

namespace {

int file_size_signal_holds = 0;
struct sigaction file_size_signal_before;

}  // namespace

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

#endif


}  // namespace korvane
