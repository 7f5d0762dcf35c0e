#include "stores/storefile.h"

#include "files/descriptor.h"
#include "files/regularfiles.h"
#include "lasterror.h"
#include "stores/serializedformat.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <ctime>
#include <dirent.h>
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
    if (!file)
        return -1;
    struct stat st {};
    if (::fstat(file.get(), &st) != 0)
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

// A temporary file of `target` is ".<name>.tmp." and six characters of mkostemp, beside it:
// hidden while it is written, and told from any file of the user's by its shape.
std::string temporaryPrefix(const std::string &target)
{
    return folderOf(target) + "/." + fileNameOf(target) + ".tmp.";
}

// Removes the temporary files of `target` last written before `moment`. Called with the
// file's lock held, when every writer that made one has gone: a live writer holds the lock.
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

} // namespace

bool readWholeFile(const std::string &path, Bytes &out) { return readWholeFile(path, out, 0xFFFFFFFF); }

bool readWholeFile(const std::string &path, Bytes &out, size_t largest)
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

StoreFileRead readStoreFile(const std::string &path, Bytes &out)
{
    out.clear();
    size_t size = 0;
    Fd file(openToRead(path, size));
    if (!file) // missing with its folder there, or failed
        return GetLastError() == ERROR_FILE_NOT_FOUND ? StoreFileRead::Missing : StoreFileRead::Failed;
    if (size == 0)
        return StoreFileRead::Read; // an empty file is an empty store
    // The header first: a file that is no store costs its first bytes, whatever its size.
    out.resize(std::min(size, kSerializedStoreHeaderSize));
    if (!readFully(file.get(), out, 0))
        return StoreFileRead::Failed;
    if (!isSerializedStoreHeader(out.data(), out.size()))
        return fail(ERROR_FILE_CORRUPT, StoreFileRead::Failed);
    const size_t read = out.size();
    out.resize(size);
    return readFully(file.get(), out, read) ? StoreFileRead::Read : StoreFileRead::Failed;
}

bool replaceFileAtomically(const std::string &target, const Bytes &data)
{
    struct stat old {};
    const Replaceable there = checkReplaceable(target, old);
    if (there == Replaceable::Refused)
        return false;
    std::string temp = temporaryPrefix(target) + "XXXXXX";
    Fd file(::mkostemp(temp.data(), O_CLOEXEC));
    if (!file)
        return fail(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT), false);
    auto abandon = [&](DWORD error) {
        ::unlink(temp.c_str());
        return fail(error, false);
    };
    bool attributed = false;
    if (there == Replaceable::Present) {
        attributed = keepOwnerAndMode(file.get(), old);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        attributed = ::fchmod(file.get(), 0666 & ~mask) == 0;
    }
    if (!attributed || !writeAll(file.get(), data.data(), data.size()) || ::fsync(file.get()) != 0)
        return abandon(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
    // A close that fails may be data the disk refused: the write fails with it.
    if (::close(file.release()) != 0)
        return abandon(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
    if (::rename(temp.c_str(), target.c_str()) != 0)
        return abandon(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
    // The rename itself is durable only once the folder is flushed.
    Fd folder(::open(folderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder)
        ::fsync(folder.get());
    return true;
}

bool fileExists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string lockPathOf(const std::string &target)
{
    std::string name = fileNameOf(target);
    static const char suffix[] = ".sst";
    if (name.size() > sizeof suffix - 1 && name.compare(name.size() - (sizeof suffix - 1), std::string::npos, suffix) == 0)
        name.resize(name.size() - (sizeof suffix - 1));
    return folderOf(target) + "/." + name + ".lock";
}

FileLock::FileLock(const std::string &target)
{
    const std::string path = lockPathOf(target);
    constexpr int flags = O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
    Fd lock(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | flags, 0666));
    struct stat st {};
    if (lock && ::stat(target.c_str(), &st) == 0)
        ::fchmod(lock.get(), st.st_mode & 0666);
    if (!lock && errno == EEXIST) {
        lock.reset(::open(path.c_str(), O_RDWR | flags));
        if (!lock && errno == EACCES) // made by another user: reading is enough to lock it
            lock.reset(::open(path.c_str(), O_RDONLY | flags));
    }
    if (!lock) { // a link where the lock belongs is refused like a file one may not open
        SetLastError(errno == ENOENT ? missingFileError(path)
                     : errno == ELOOP ? ERROR_ACCESS_DENIED
                                      : win32ErrorOfErrno(errno, ERROR_LOCK_VIOLATION));
        return;
    }
    if (::fstat(lock.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        SetLastError(ERROR_LOCK_VIOLATION);
        return;
    }
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno == EINTR)
            continue;
        SetLastError(win32ErrorOfErrno(errno, ERROR_LOCK_VIOLATION));
        return;
    }
    timespec now {};
    ::clock_gettime(CLOCK_REALTIME, &now);
    removeTemporariesBefore(target, now);
    fd_ = std::move(lock);
}

} // namespace platform
