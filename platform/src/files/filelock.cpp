#include "files/filelock.h"

#include "files/fileerrors.h"
#include "files/filereplace.h"
#include "lasterror.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

namespace platform {

FileLock::FileLock(const std::string &lockPath, const std::string &target)
{
    constexpr int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    Fd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_EXCL | flags, 0666));
    struct stat st {};
    if (lock && ::stat(target.c_str(), &st) == 0)
        ::fchmod(lock.get(), st.st_mode & 0666);
    if (!lock && errno == EEXIST) {
        lock.reset(::open(lockPath.c_str(), O_RDWR | flags));
        if (!lock && errno == EACCES) // made by another user: reading is enough to lock it
            lock.reset(::open(lockPath.c_str(), O_RDONLY | flags));
    }
    if (!lock) { // a link where the lock belongs is refused like a file one may not open
        SetLastError(errno == ENOENT ? missingFileError(lockPath)
                     : errno == ELOOP ? ERROR_ACCESS_DENIED
                                      : win32ErrorOfErrno(errno, ERROR_LOCK_VIOLATION));
        return;
    }
    if (::fstat(lock.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        SetLastError(ERROR_LOCK_VIOLATION);
        return;
    }
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno == EINTR)
            continue;
        SetLastError(win32ErrorOfErrno(errno, ERROR_LOCK_VIOLATION));
        return;
    }
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    removeTemporariesBefore(target, now);
    fd_ = std::move(lock);
}

} // namespace platform
