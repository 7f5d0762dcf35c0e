#include "files/regularfiles.h"

#include "files/descriptor.h"
#include "files/fileerrors.h"
#include "lasterror.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace platform {

std::string folderOf(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

int openRegularFile(const std::string &path, int flags)
{
    Fd file(::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666));
    if (file.fd < 0) {
        const int error = errno;
        return fail(error == ENOENT ? missingFileError(path) : win32ErrorOfErrno(error, ERROR_ACCESS_DENIED), -1);
    }
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        return fail(win32ErrorOfErrno(errno, ERROR_ACCESS_DENIED), -1);
    if (S_ISDIR(st.st_mode))
        return fail(ERROR_ACCESS_DENIED, -1);
    if (!S_ISREG(st.st_mode))
        return fail(ERROR_NOT_SUPPORTED, -1); // reading one may wait, or never end
    const int status = ::fcntl(file.fd, F_GETFL);
    if (status < 0 || ::fcntl(file.fd, F_SETFL, status & ~O_NONBLOCK) != 0)
        return fail(win32ErrorOfErrno(errno, ERROR_ACCESS_DENIED), -1);
    return file.release();
}

} // namespace platform
