// The platform-dependent half of file access: non-blocking opens of regular
// files, 64-bit offsets and the guard on closed standard descriptors.
#include "file_util.hpp"

#include <cstdlib>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace korvane {

#if defined(_WIN32)

namespace {

// Windows opens no folder as a file; POSIX opens one for reading and fails
// its reads. A folder counts as present but not regular on both.
bool is_folder(const char *name) {
    struct _stat64 st;
    return _stat64(name, &st) == 0 && (st.st_mode & _S_IFMT) == _S_IFDIR;
}

}  // namespace

FilePtr open_regular_file(const char *name, OpenOutcome &outcome) {
    FilePtr f(std::fopen(name, "rb"));
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

#else

namespace {

int open_nonblocking(const char *name) {
    int flags = O_RDONLY | O_NONBLOCK;
#ifdef O_CLOEXEC
    flags |= O_CLOEXEC;
#endif
    return open(name, flags);
}

}  // namespace

FilePtr open_regular_file(const char *name, OpenOutcome &outcome) {
    const int fd = open_nonblocking(name);
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
    FilePtr f(fdopen(fd, "rb"));
    if (!f) {
        close(fd);
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

void end_with_failure() {
    std::fflush(stdout);
    std::exit(kFailureStatus);
}

}  // namespace korvane
