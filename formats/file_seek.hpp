// Seeking a stream to a 64-bit offset, on every platform the programs
// build for.
#pragma once

#include <cstdint>
#include <cstdio>

namespace pointsieve::formats {

// Seeks f to offset from its start; false when the offset does not fit
// the platform's file offsets or the seek fails.
bool seek_absolute(std::FILE *f, std::uint64_t offset);

}  // namespace pointsieve::formats
