#include "files/regularfiles.h"

#include "files/descriptor.h"
#include "files/fileerrors.h"
#include "lasterror.h"

#include <cerrno>
#include <climits>
#include <ctime>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

std::string folderOf(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

std::string fileNameOf(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int openRegularFile(const std::string &path, int flags)
{
    Fd file(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (!file) {
        const int error = errno;
        return fail(error == ENOENT ? missingFileError(path) : win32ErrorOfErrno(error, ERROR_ACCESS_DENIED), -1);
    }
    struct stat st {};
    if (::fstat(file.get(), &st) != 0)
        return fail(win32ErrorOfErrno(errno, ERROR_ACCESS_DENIED), -1);
    if (S_ISDIR(st.st_mode))
        return fail(ERROR_ACCESS_DENIED, -1);
    if (!S_ISREG(st.st_mode))
        return fail(ERROR_NOT_SUPPORTED, -1); // reading one may wait, or never end
    const int status = ::fcntl(file.get(), F_GETFL);
    if (status < 0 || ::fcntl(file.get(), F_SETFL, status & ~O_NONBLOCK) != 0)
        return fail(win32ErrorOfErrno(errno, ERROR_ACCESS_DENIED), -1);
    return file.release();
}

bool takeShareLock(int fd, bool exclusive)
{
    // A child that another thread forks (GLib starting its bus helper, say) holds a copy of
    // every descriptor, and so every lock, until it execs, when they close: a lock that
    // goes within a moment was no handle's. One that stays is, as on Windows.
    for (int waited = 0; ::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0;) {
        if (errno == EINTR)
            continue;
        if (errno != EWOULDBLOCK)
            return true; // a file system without locks: nothing to share
        if (++waited > 25)
            return fail(ERROR_SHARING_VIOLATION, false);
        const timespec pause{0, 10 * 1000 * 1000};
        ::nanosleep(&pause, nullptr);
    }
    return true;
}

bool sharingViolation(const std::string &path)
{
    Fd file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    return file && ::fstat(file.get(), &st) == 0 && S_ISREG(st.st_mode) && !takeShareLock(file.get(), false);
}

bool followLinks(const std::string &path, std::string &target)
{
    target = path;
    for (int hops = 0; hops < 40; ++hops) { // as many as the kernel follows in one lookup
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return true; // the file itself, or nothing: the call that uses the name says why
        std::string link(PATH_MAX, '\0');
        const ssize_t length = ::readlink(target.c_str(), link.data(), link.size());
        if (length < 0)
            return fail(win32ErrorOfErrno(errno, ERROR_ACCESS_DENIED), false);
        if (static_cast<size_t>(length) == link.size())
            return fail(ERROR_FILENAME_EXCED_RANGE, false);
        link.resize(static_cast<size_t>(length));
        target = link[0] == '/' ? link : folderOf(target) + "/" + link;
    }
    return fail(ERROR_CANT_RESOLVE_FILENAME, false);
}

Replaceable checkReplaceable(const std::string &target, struct stat &status)
{
    if (::lstat(target.c_str(), &status) != 0)
        return errno == ENOENT ? Replaceable::Missing
                               : fail(win32ErrorOfErrno(errno, ERROR_ACCESS_DENIED), Replaceable::Refused);
    if (S_ISDIR(status.st_mode))
        return fail(ERROR_ACCESS_DENIED, Replaceable::Refused);
    if (!S_ISREG(status.st_mode))
        return fail(ERROR_NOT_SUPPORTED, Replaceable::Refused);
    // The folder's permission would let the caller rename over the file; the file's own
    // is what says whether the caller may change it.
    if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
        return fail(win32ErrorOfErrno(errno, ERROR_ACCESS_DENIED), Replaceable::Refused);
    return Replaceable::Present;
}

bool keepOwnerAndMode(int fd, const struct stat &replaced)
{
    if (::fchown(fd, replaced.st_uid, replaced.st_gid) != 0)
        (void)::fchown(fd, static_cast<uid_t>(-1), replaced.st_gid); // the group, when only that is allowed
    return ::fchmod(fd, replaced.st_mode & 07777) == 0; // after the owner: a change of owner clears set-id bits
}

} // namespace platform
