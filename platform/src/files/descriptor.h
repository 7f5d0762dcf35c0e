// An open POSIX file descriptor, closed when its owner goes unless released.
#pragma once

// Outside src/: a library of the program, not a room.
#include <handles/handleowner.h>

#include <cerrno>
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

} // namespace platform
