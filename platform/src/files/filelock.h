// The exclusive lock that writers of a file that is replaced whole take while they write.
#pragma once

#include "files/descriptor.h"

#include <string>

namespace platform {

// Holds the exclusive advisory lock `lockPath` of the file `target` (links followed)
// while it lives; the lock file is made when missing, with the file's permissions, so that
// whoever may write the file may lock it. Once taken, removes the temporary files that
// writers killed while they held it left beside the file (see replaceWithNewFile).
// locked() is false, with the last error set, when the lock cannot be taken; a write then
// fails rather than going on.
class FileLock {
public:
    FileLock(const std::string &lockPath, const std::string &target);
    bool locked() const { return static_cast<bool>(fd_); }

private:
    Fd fd_; // closing it drops the lock
};

} // namespace platform
