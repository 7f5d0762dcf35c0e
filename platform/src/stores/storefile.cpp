#include "stores/storefile.h"

#include "files/descriptor.h"
#include "files/regularfiles.h"
#include "lasterror.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

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

// Opens a file to read it by its size (see openRegularFile).
int openToRead(const std::string &path, size_t &size)
{
    Fd file(openRegularFile(path, O_RDONLY));
    if (file.fd < 0)
        return -1;
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        return fail(win32ErrorOfErrno(errno, ERROR_READ_FAULT), -1);
    if (st.st_size > 0xFFFFFFFFLL) // store files are addressed with 32-bit lengths
        return fail(ERROR_FILE_CORRUPT, -1);
    size = static_cast<size_t>(st.st_size);
    return file.release();
}

// Fills `out` from `at` on; a file that shrank since its size was taken ends it early.
bool readFully(int fd, Bytes &out, size_t at)
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

} // namespace

bool readWholeFile(const std::string &path, Bytes &out) { return readWholeFile(path, out, 0xFFFFFFFF); }

bool readWholeFile(const std::string &path, Bytes &out, size_t largest)
{
    size_t size = 0;
    Fd file(openToRead(path, size));
    if (file.fd < 0)
        return false;
    if (size > largest)
        return fail(ERROR_FILE_TOO_LARGE, false);
    out.resize(size);
    return readFully(file.fd, out, 0);
}

StoreFileRead readStoreFile(const std::string &path, Bytes &out)
{
    out.clear();
    size_t size = 0;
    Fd file(openToRead(path, size));
    if (file.fd < 0) // missing with its folder there, or failed
        return GetLastError() == ERROR_FILE_NOT_FOUND ? StoreFileRead::Missing : StoreFileRead::Failed;
    if (size == 0)
        return StoreFileRead::Read; // an empty file is an empty store
    // The header first: a file that is no store costs its first bytes, whatever its size.
    out.resize(std::min(size, kSerializedStoreHeaderSize));
    if (!readFully(file.fd, out, 0))
        return StoreFileRead::Failed;
    if (!isSerializedStoreHeader(out.data(), out.size()))
        return fail(ERROR_FILE_CORRUPT, StoreFileRead::Failed);
    const size_t read = out.size();
    out.resize(size);
    return readFully(file.fd, out, read) ? StoreFileRead::Read : StoreFileRead::Failed;
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
