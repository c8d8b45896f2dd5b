// Stream helpers shared by the readers of LAS files.
#include "las_io.hpp"

#include <climits>

namespace korvane {

bool seek_to(std::FILE *f, unsigned long long offset) {
    // Seek in steps that fit in a long, so offsets beyond 2 GiB work with
    // 32-bit long too.
    if (std::fseek(f, 0, SEEK_SET) != 0) return false;
    while (offset > 0) {
        const unsigned long long step = offset > static_cast<unsigned long long>(LONG_MAX)
                                            ? static_cast<unsigned long long>(LONG_MAX)
                                            : offset;
        if (std::fseek(f, static_cast<long>(step), SEEK_CUR) != 0) return false;
        offset -= step;
    }
    return true;
}

long long stream_size(std::FILE *f) {
    if (std::fseek(f, 0, SEEK_END) != 0) return -1;
    const long end = std::ftell(f);
    if (std::fseek(f, 0, SEEK_SET) != 0) return -1;
    return end < 0 ? -1 : static_cast<long long>(end);
}

}  // namespace korvane
