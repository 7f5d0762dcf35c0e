// An open file descriptor, closed when it goes unless released.
#pragma once

#include <unistd.h>

namespace platform {

struct Fd {
    int fd;
    explicit Fd(int f) : fd(f) {}
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int release()
    {
        const int f = fd;
        fd = -1;
        return f;
    }
};

} // namespace platform
