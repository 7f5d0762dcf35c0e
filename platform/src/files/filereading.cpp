#include "files/filereading.h"

#include "files/descriptor.h"
#include "files/fileerrors.h"
#include "files/regularfiles.h"
#include "lasterror.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

int openToRead(const std::string &path, size_t &size)
{
    Fd file(openRegularFile(path, O_RDONLY));
    if (!file)
        return -1;
    struct stat st {};
    if (::fstat(file.get(), &st) != 0)
        return fail(win32ErrorOfErrno(errno, ERROR_READ_FAULT), -1);
    if (st.st_size > 0xFFFFFFFFLL)
        return fail(ERROR_FILE_CORRUPT, -1);
    size = static_cast<size_t>(st.st_size);
    return file.release();
}

bool readFully(int fd, std::vector<BYTE> &out, size_t at)
{
    while (at < out.size()) {
        ssize_t n = ::read(fd, out.data() + at, out.size() - at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(win32ErrorOfErrno(errno, ERROR_READ_FAULT), false);
        }
        if (n == 0)
            break;
        at += static_cast<size_t>(n);
    }
    out.resize(at);
    return true;
}

bool readWholeFile(const std::string &path, std::vector<BYTE> &out) { return readWholeFile(path, out, 0xFFFFFFFF); }

bool readWholeFile(const std::string &path, std::vector<BYTE> &out, size_t largest)
{
    size_t size = 0;
    Fd file(openToRead(path, size));
    if (!file)
        return false;
    if (size > largest)
        return fail(ERROR_FILE_TOO_LARGE, false);
    out.resize(size);
    return readFully(file.get(), out, 0);
}

bool fileExists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

} // namespace platform
