#include "filefaults.h"

#include <cerrno>
#include <cstdlib>
#include <sys/types.h>

extern "C" {
ssize_t __real_write(int fd, const void *buffer, size_t size);
int __real_fsync(int fd);
int __real_rename(const char *from, const char *to);
int __real_mkostemp(char *pattern, int flags);
int __real_close(int fd);
}

namespace filefaults {
namespace {

Call armed = Call::None;
int temporaryFd = -1; // closing fails only for the file being written
int armedError = 0;
std::size_t allowance = 0;

bool trips(Call call)
{
    if (armed != call)
        return false;
    armed = Call::None;
    errno = armedError;
    return true;
}

} // namespace

void failNext(Call call, int error, std::size_t bytesBefore)
{
    armed = call;
    armedError = error;
    allowance = bytesBefore;
    temporaryFd = -1; // the next temporary file is the one meant
}

void clear() { armed = Call::None; }

} // namespace filefaults

using filefaults::Call;

extern "C" ssize_t __wrap_write(int fd, const void *buffer, size_t size)
{
    if (filefaults::armed == Call::Write && filefaults::allowance > 0) {
        // Part of the data still fits; the rest meets the full disk on the next call.
        const size_t part = size < filefaults::allowance ? size : filefaults::allowance;
        filefaults::allowance -= part;
        return __real_write(fd, buffer, part);
    }
    if (filefaults::trips(Call::Write))
        return -1;
    return __real_write(fd, buffer, size);
}

extern "C" int __wrap_fsync(int fd) { return filefaults::trips(Call::Flush) ? -1 : __real_fsync(fd); }

extern "C" int __wrap_rename(const char *from, const char *to)
{
    return filefaults::trips(Call::Rename) ? -1 : __real_rename(from, to);
}

extern "C" int __wrap_mkostemp(char *pattern, int flags)
{
    if (filefaults::trips(Call::CreateTemporary))
        return -1;
    filefaults::temporaryFd = __real_mkostemp(pattern, flags);
    return filefaults::temporaryFd;
}

extern "C" int __wrap_close(int fd)
{
    if (fd == filefaults::temporaryFd && filefaults::trips(Call::Close)) {
        const int error = errno;
        __real_close(fd); // the descriptor is gone either way, as close documents
        errno = error;
        return -1;
    }
    return __real_close(fd);
}
