// Exchanging two names with renameat2 (Linux 3.15), and telling a mount
// point by the device of the folder and of its parent (POSIX).
#include "folder_moves.hpp"

#include <cerrno>
#include <cstdio>

#if defined(__linux__)
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif
#if !defined(_WIN32)
#include <sys/stat.h>
#endif

#if defined(__linux__) && !defined(RENAME_EXCHANGE)
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace pointsieve {

int exchange_names(const std::string &a, const std::string &b) {
#if defined(__linux__) && defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 28))
    // glibc's own wrapper, which a preloaded test shim can stand in for.
    return renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0 ? 0 : errno;
#elif defined(__linux__) && defined(SYS_renameat2)
    return syscall(SYS_renameat2, AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0 ? 0 : errno;
#else
    (void)a, (void)b;
    return ENOSYS;
#endif
}

bool exchange_unsupported(int error) { return error == ENOSYS || error == EINVAL; }

bool is_mount_point(const std::string &dir) {
#if defined(_WIN32)
    (void)dir;
    return false;
#else
    struct stat self {}, parent {};
    if (stat(dir.c_str(), &self) != 0 || stat((dir + "/..").c_str(), &parent) != 0) return false;
    return self.st_dev != parent.st_dev || self.st_ino == parent.st_ino;
#endif
}

}  // namespace pointsieve
