// The standard streams: the guard on closed descriptors and the state of
// standard output.
#include "standard_output.hpp"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "failure.hpp"
#include "program_identity.hpp"

#if !defined(_WIN32)
#include <fcntl.h>
#include <unistd.h>
#endif

namespace pointsieve {

namespace {

// The reason the first failed write to standard output gave, kept because
// later calls overwrite errno.
int stdout_errno = 0;

}  // namespace

void guard_standard_streams() {
#if !defined(_WIN32)
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
#endif
}


void flush_stdout() {
    if (std::fflush(stdout) != 0 && stdout_errno == 0) stdout_errno = errno;
}

void finish_stdout() {
    flush_stdout();
    if (std::ferror(stdout))
        fail(Failure::ReportLost, program_name, std::strerror(stdout_errno != 0 ? stdout_errno : EIO));
}

}  // namespace pointsieve
