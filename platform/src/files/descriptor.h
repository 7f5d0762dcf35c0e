// An open POSIX file descriptor or folder stream, closed when its owner goes unless released.
#pragma once

// Outside src/: a library of the program, not a room.
#include <handles/handleowner.h>

#include <cerrno>
#include <dirent.h>
#include <unistd.h>

namespace platform {

struct FdTraits {
    using Handle = int;
    static int empty() noexcept { return -1; }
    // errno stays as it was, as the last error does: an owner going while a failure is
    // reported must not change the errno the failure is read from.
    static void close(int fd) noexcept
    {
        const int error = errno;
        ::close(fd);
        errno = error;
    }
};

using Fd = handles::HandleOwner<FdTraits>;

struct FolderStreamTraits {
    using Handle = DIR *;
    static DIR *empty() noexcept { return nullptr; }
    static void close(DIR *folder) noexcept
    {
        const int error = errno;
        ::closedir(folder);
        errno = error;
    }
};

// The entries of a folder being read (opendir).
using FolderStream = handles::HandleOwner<FolderStreamTraits>;

} // namespace platform
