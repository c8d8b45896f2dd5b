// File stamps, through the platform's fstat.
#include "tile_stamp.hpp"

#include <sys/stat.h>
#include <sys/types.h>

namespace pointsieve::qa {

Stamp stamp_of(std::FILE *f) {
    Stamp s;
#if defined(_WIN32)
    struct _stat64 st;
    if (_fstat64(_fileno(f), &st) == 0) s = {static_cast<long long>(st.st_size), static_cast<long long>(st.st_mtime), 0};
#else
    struct stat st;
    if (fstat(fileno(f), &st) == 0) {
        s.size = static_cast<long long>(st.st_size);
        s.mtime_s = static_cast<long long>(st.st_mtim.tv_sec);
        s.mtime_ns = static_cast<long long>(st.st_mtim.tv_nsec);
    }
#endif
    return s;
}

}  // namespace pointsieve::qa
