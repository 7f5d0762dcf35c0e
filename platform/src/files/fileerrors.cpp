#include "files/fileerrors.h"

#include "files/regularfiles.h"

#include <cerrno>
#include <sys/stat.h>

namespace platform {

DWORD win32ErrorOfErrno(int error, DWORD fallback)
{
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return ERROR_ACCESS_DENIED;
    case EEXIST:
        return ERROR_FILE_EXISTS;
    case EXDEV:
        return ERROR_NOT_SAME_DEVICE;
    case ENOSPC:
    case EDQUOT:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EMFILE:
    case ENFILE:
        return ERROR_TOO_MANY_OPEN_FILES;
    case ENOMEM:
        return ERROR_NOT_ENOUGH_MEMORY;
    case ENXIO: // a socket, or a device without its driver
        return ERROR_NOT_SUPPORTED;
    case ELOOP: // symbolic links that go round
        return ERROR_CANT_RESOLVE_FILENAME;
    case EWOULDBLOCK:
        return ERROR_LOCK_VIOLATION;
    default:
        return fallback;
    }
}

DWORD missingFileError(const std::string &path)
{
    struct stat st {};
    return ::stat(folderOf(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

} // namespace platform
