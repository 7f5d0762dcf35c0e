#include "files/filereplace.h"

#include "files/descriptor.h"
#include "files/fileerrors.h"
#include "files/regularfiles.h"
#include "lasterror.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h> // renameat2
#include <stdlib.h> // mkostemp
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string temporaryPrefix(const std::string &target)
{
    return folderOf(target) + "/." + fileNameOf(target) + ".tmp.";
}

int writeAll(int fd, const BYTE *data, size_t size)
{
    while (size) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return 0;
}

} // namespace

int renameNoReplace(const std::string &from, const std::string &to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without that flag: a new link is refused atomically where a name is
    // taken, and the old name then goes.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return 0;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EMLINK)
        return errno;
    // A folder, or no hard links there either: the target is looked for first.
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0)
        return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

bool replaceWithNewFile(const std::string &target, const std::function<int(int fd)> &fill, bool replace)
{
    std::string temp = temporaryPrefix(target) + "XXXXXX";
    Fd file(::mkostemp(temp.data(), O_CLOEXEC));
    if (!file)
        return fail(errno == ENOENT ? missingFileError(target) : win32ErrorOfErrno(errno, ERROR_WRITE_FAULT), false);
    auto abandon = [&](DWORD error) {
        ::unlink(temp.c_str());
        return fail(error, false);
    };
    int error = fill(file.get());
    if (!error && ::fsync(file.get()) != 0)
        error = errno;
    // A close that fails may be data the disk refused: the write fails with it.
    if (::close(file.release()) != 0 && !error)
        error = errno;
    if (error)
        return abandon(win32ErrorOfErrno(error, ERROR_WRITE_FAULT));
    error = replace ? (::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno) : renameNoReplace(temp, target);
    if (error == EEXIST)
        return abandon(ERROR_ALREADY_EXISTS);
    if (error)
        return abandon(win32ErrorOfErrno(error, ERROR_WRITE_FAULT));
    // The rename itself is durable only once the folder is flushed.
    const Fd folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder)
        ::fsync(folder.get());
    return true;
}

bool replaceFileAtomically(const std::string &target, const std::vector<BYTE> &data)
{
    struct stat old {};
    const Replaceable there = checkReplaceable(target, old);
    if (there == Replaceable::Refused)
        return false;
    return replaceWithNewFile(
        target,
        [&](int fd) {
            bool attributed = false;
            if (there == Replaceable::Present) {
                attributed = keepOwnerAndMode(fd, old);
            } else {
                const mode_t mask = ::umask(0);
                ::umask(mask);
                attributed = ::fchmod(fd, 0666 & ~mask) == 0;
            }
            return attributed ? writeAll(fd, data.data(), data.size()) : errno;
        },
        true);
}

void removeTemporariesBefore(const std::string &target, const timespec &moment)
{
    const std::string prefix = fileNameOf(temporaryPrefix(target));
    const FolderStream folder(::opendir(folderOf(target).c_str()));
    if (!folder)
        return; // the write that follows reports what is wrong with the folder
    while (const dirent *entry = ::readdir(folder.get())) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0 ||
            !std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                         [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(folder.get()), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            (st.st_mtim.tv_sec < moment.tv_sec ||
             (st.st_mtim.tv_sec == moment.tv_sec && st.st_mtim.tv_nsec < moment.tv_nsec)))
            ::unlinkat(::dirfd(folder.get()), name.c_str(), 0);
    }
}

} // namespace platform
