// The size and modification time of an open file: a tile whose stamp moves
// while it is read changed under the reader.
#pragma once

#include <cstdio>

namespace pointsieve::qa {

struct Stamp {
    long long size = -1, mtime_s = 0, mtime_ns = 0;
    bool operator==(const Stamp &) const = default;
};

Stamp stamp_of(std::FILE *f);

}  // namespace pointsieve::qa
