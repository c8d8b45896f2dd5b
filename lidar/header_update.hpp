// The stream half of update_header, for callers that open the file
// themselves (and for tests that hand it a stream which fails on cue).
#pragma once

#include <cstdint>

#include "file_util.hpp"

namespace korvane {

// Recomputes and rewrites the header of the LAS file of the given LASType
// open in f for reading and writing, at its start; filename names it in
// messages. Closes f. Behaves as update_header after its open: returns only
// on success and ends the process with a message on any failure, having
// written nothing.
void update_header_stream(FilePtr f, const char *filename, std::int16_t LASType);

}  // namespace korvane
