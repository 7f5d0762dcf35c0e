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
    if (!replace && ::access(target.c_str(), F_OK) == 0)
        return abandon(ERROR_ALREADY_EXISTS);
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return abandon(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
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
    DIR *folder = ::opendir(folderOf(target).c_str());
    if (!folder)
        return; // the write that follows reports what is wrong with the folder
    while (const dirent *entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0 ||
            !std::all_of(name.begin() + static_cast<long>(prefix.size()), name.end(),
                         [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
            continue;
        struct stat st {};
        if (::fstatat(::dirfd(folder), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            (st.st_mtim.tv_sec < moment.tv_sec ||
             (st.st_mtim.tv_sec == moment.tv_sec && st.st_mtim.tv_nsec < moment.tv_nsec)))
            ::unlinkat(::dirfd(folder), name.c_str(), 0);
    }
    ::closedir(folder);
}

} // namespace platform
