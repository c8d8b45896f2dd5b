// Files replaced whole: written under a temporary name beside the name they
// replace, then renamed over it.
#pragma once

#include <string>

#include "file_util.hpp"

namespace pointsieve {

// A file written under a temporary name in the folder of the name it is to
// replace, and renamed over that name only once it is whole. Whatever the
// name held before (a file, a link, a FIFO) is replaced, never opened or
// followed; a run that fails or is killed leaves either the earlier file or
// the new one, and at most the temporary file beside it.
struct Replacement {
    korvane::FilePtr file;  // text stream on the temporary file
    std::string temp_name;  // "<target>.tmp.XXXXXX"
    std::string target;
};

// Creates the temporary file for target. False, with errno set, when it
// cannot be created. While r.file is open, SIGXFSZ is ignored, so that a
// file-size limit makes a write fail instead of killing the process.
bool begin_replacement(const std::string &target, Replacement &r);

// Flushes and closes the temporary file, gives it the permissions a new
// file gets (0666 less the umask), and renames it over the target. On any
// failure removes the temporary file and returns false; the target is then
// as it was.
bool finish_replacement(Replacement &r);

// Closes and removes the temporary file without touching the target.
void abandon_replacement(Replacement &r);

}  // namespace pointsieve
