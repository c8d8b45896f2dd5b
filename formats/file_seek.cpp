// Seeking to 64-bit offsets.
#include "file_seek.hpp"

#include <limits>

#if !defined(_WIN32)
#include <sys/types.h>
#endif

namespace pointsieve::formats {

bool seek_absolute(std::FILE *f, std::uint64_t offset) {
#if defined(_WIN32)
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<long long>::max())) return false;
    return _fseeki64(f, static_cast<long long>(offset), SEEK_SET) == 0;
#else
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace pointsieve::formats
