// Moving folders: two names exchanged in one step where the system can, and
// whether a folder sits where a rename cannot take it (a mount point).
#pragma once

#include <string>

namespace pointsieve {

// Exchanges the names a and b (both must exist) in one step, so that at
// every moment each name holds one of the two. 0, or the errno of the
// failure; ENOSYS where the system has no such call, and EINVAL where the
// file system refuses it (exchange_unsupported tells both apart from a real
// failure).
int exchange_names(const std::string &a, const std::string &b);

// Whether error says that the exchange is not to be had here, so that the
// caller falls back to two renames.
bool exchange_unsupported(int error);

// Whether the folder dir is the root of a file system mounted there (on
// another device than its parent, or its own parent). False where the
// system cannot tell, or dir cannot be examined.
bool is_mount_point(const std::string &dir);

}  // namespace pointsieve
