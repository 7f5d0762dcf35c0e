#include "storefile.h"
#include "lasterror.h"
#include "unicodetext.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::string toUtf8(const std::wstring &text)
{
    std::string out;
    toUnicodeString(text).toUTF8String(out);
    return out;
}

std::wstring fromUtf8(const std::string &text)
{
    // Bytes that are no UTF-8 become U+FFFD.
    return toWide(icu::UnicodeString::fromUTF8(text));
}

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
    case EWOULDBLOCK:
        return ERROR_LOCK_VIOLATION;
    default:
        return fallback;
    }
}

namespace {

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
};

bool writeAll(int fd, const BYTE *data, size_t size)
{
    while (size) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

std::string folderOf(const std::string &path)
{
    auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

bool readWholeFile(const std::string &path, Bytes &out)
{
    Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.fd < 0)
        return fail(win32ErrorOfErrno(errno, ERROR_READ_FAULT), false);
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        return fail(win32ErrorOfErrno(errno, ERROR_READ_FAULT), false);
    if (S_ISDIR(st.st_mode))
        return fail(ERROR_ACCESS_DENIED, false);
    if (st.st_size > 0xFFFFFFFFLL) // store files are addressed with 32-bit lengths
        return fail(ERROR_FILE_CORRUPT, false);
    out.resize(static_cast<size_t>(st.st_size));
    size_t got = 0;
    while (true) {
        if (got == out.size())
            out.resize(out.size() + 65536); // the file may have grown since fstat
        ssize_t n = ::read(file.fd, out.data() + got, out.size() - got);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return fail(win32ErrorOfErrno(errno, ERROR_READ_FAULT), false);
        }
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    out.resize(got);
    return true;
}

bool replaceFileAtomically(const std::string &path, const Bytes &data)
{
    std::string temp = path + ".XXXXXX";
    Fd file(::mkostemp(temp.data(), O_CLOEXEC));
    if (file.fd < 0)
        return fail(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT), false);
    auto abandon = [&](DWORD error) {
        ::unlink(temp.c_str());
        return fail(error, false);
    };
    struct stat old {};
    mode_t mode = 0644;
    if (::stat(path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(file.fd, mode) != 0 || !writeAll(file.fd, data.data(), data.size()) || ::fsync(file.fd) != 0)
        return abandon(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
    int closed = ::close(file.fd);
    file.fd = -1;
    if (closed != 0)
        return abandon(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
    if (::rename(temp.c_str(), path.c_str()) != 0)
        return abandon(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
    // The rename itself is durable only once the folder is flushed.
    Fd folder(::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.fd >= 0)
        ::fsync(folder.fd);
    return true;
}

bool fileExists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

FileLock::FileLock(const std::string &path)
{
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        SetLastError(win32ErrorOfErrno(errno, ERROR_LOCK_VIOLATION));
        return;
    }
    while (::flock(fd_, LOCK_EX) != 0) {
        if (errno == EINTR)
            continue;
        SetLastError(win32ErrorOfErrno(errno, ERROR_LOCK_VIOLATION));
        ::close(fd_);
        fd_ = -1;
        return;
    }
}

FileLock::~FileLock()
{
    if (fd_ >= 0)
        ::close(fd_); // closing drops the lock
}

} // namespace platform
