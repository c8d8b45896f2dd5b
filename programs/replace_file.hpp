// Files replaced whole: written under a temporary name beside the name they
// replace, then renamed over it.
#pragma once

#include <string>

#include "file_util.hpp"

namespace pointsieve {

// A file written under a temporary name in the folder of the name it is to
// replace, and renamed over that name only once it is whole. Only a regular
// file is ever replaced: an absent name, a regular file, a link to one or a
// dangling link (a link is replaced, never followed). A run that fails or
// is killed leaves either the earlier file or the new one, and at most the
// temporary file beside it.
struct Replacement {
    korvane::FilePtr file;  // text stream on the temporary file, or on the target itself
    std::string temp_name;  // "<target>.tmp.XXXXXX"; empty when the target is written through
    std::string target;
};

// Where a name comes from decides what else may stand in its place.
// Program: a name the program made up (Pointsieve's NAME_stats.asc); a
// device, socket or FIFO there is refused, never opened. User: a name typed
// on the command line; a character device or a FIFO there (directly or
// through a link) is written through, and so is a regular file reached
// through a descriptor link (/dev/stdout, /dev/fd/N): through the process's
// own descriptor, so that what is written follows what the process wrote
// there, or by appending when the link names another process's. So
// /dev/null and /dev/stdout do what users expect, and nothing under /dev
// is ever replaced. A block device, a socket or a folder is refused either way.
enum class NameFrom { Program, User };

// Creates the temporary file for target, or opens target itself when it is
// written through (without blocking, so that a FIFO nobody reads is refused
// at once). False, with errno set, when the name is refused or cannot be
// created. While r.file is open, SIGXFSZ is ignored, so that a file-size
// limit makes a write fail instead of killing the process.
bool begin_replacement(const std::string &target, Replacement &r, NameFrom from = NameFrom::Program);

// Flushes and closes the file and gives a temporary file the permissions a
// new file gets (0666 less the umask), without renaming it yet. On failure
// removes the temporary file and returns false.
bool complete_replacement(Replacement &r);

// Renames a completed temporary file over its target (nothing to do for a
// target written through). On failure removes the temporary file and
// returns false; the target is then as it was.
bool commit_replacement(Replacement &r);

// complete_replacement, then commit_replacement.
bool finish_replacement(Replacement &r);

// Closes and removes the temporary file without touching the target.
void abandon_replacement(Replacement &r);

}  // namespace pointsieve
