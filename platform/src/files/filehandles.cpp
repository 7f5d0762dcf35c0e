// File handles: CreateFileW and the calls on the handles it returns. A handle is a number
// that names an entry of the table of open files, never a pointer, so that a foreign or
// closed handle is refused without being read.
#include "files/descriptor.h"
#include "files/fileerrors.h"
#include "files/regularfiles.h"
#include "lasterror.h"
#include "text/utf8text.h"

#include <cerrno>
#include <cstdint>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

using namespace platform;

namespace {

struct OpenFile {
    int fd = -1;
    bool canRead = false;
    bool canWrite = false;
};

struct FileTable {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, OpenFile> files;
    std::uintptr_t last = 0;
};

FileTable &fileTable()
{
    static FileTable table;
    return table;
}

// Multiples of four, as Windows hands out; never 0 or INVALID_HANDLE_VALUE.
HANDLE addFile(const OpenFile &file)
{
    FileTable &table = fileTable();
    std::lock_guard<std::mutex> guard(table.mutex);
    table.last += 4;
    table.files.emplace(table.last, file);
    return reinterpret_cast<HANDLE>(table.last);
}

// The open file a handle names; false with ERROR_INVALID_HANDLE for any other handle.
bool findFile(HANDLE handle, OpenFile &file)
{
    FileTable &table = fileTable();
    std::lock_guard<std::mutex> guard(table.mutex);
    const auto found = table.files.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == table.files.end())
        return fail(ERROR_INVALID_HANDLE, false);
    file = found->second;
    return true;
}

} // namespace

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, LPSECURITY_ATTRIBUTES,
                          DWORD dwCreationDisposition, DWORD, HANDLE)
{
    if (!lpFileName)
        return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    if (!*lpFileName)
        return fail(ERROR_PATH_NOT_FOUND, INVALID_HANDLE_VALUE);
    // Only whole-file reading and writing is offered; a caller asking for more is told so
    // rather than handed a handle that does less than it asked.
    if (dwDesiredAccess & ~(GENERIC_READ | GENERIC_WRITE))
        return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    const bool canRead = dwDesiredAccess & GENERIC_READ, canWrite = dwDesiredAccess & GENERIC_WRITE;
    int flags = canWrite ? (canRead ? O_RDWR : O_WRONLY) : O_RDONLY;
    bool truncate = false;
    switch (dwCreationDisposition) {
    case CREATE_NEW:
        flags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        truncate = true;
        [[fallthrough]];
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    case OPEN_EXISTING:
        break;
    case TRUNCATE_EXISTING:
        if (!canWrite)
            return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
        truncate = true;
        break;
    default:
        return fail(ERROR_INVALID_PARAMETER, INVALID_HANDLE_VALUE);
    }
    const std::string path = toUtf8(lpFileName);
    // Whether the file was there tells CREATE_ALWAYS and OPEN_ALWAYS what to report.
    bool existed = true;
    Fd file;
    if (flags & O_CREAT && !(flags & O_EXCL)) {
        file.reset(openRegularFile(path, flags | O_EXCL));
        existed = !file && GetLastError() == ERROR_FILE_EXISTS;
        if (existed)
            file.reset(openRegularFile(path, flags & ~O_CREAT));
    } else {
        file.reset(openRegularFile(path, flags));
        existed = !(flags & O_CREAT);
    }
    if (!file)
        return INVALID_HANDLE_VALUE;
    // Before truncating: a file that another handle holds without sharing is left alone.
    if (!takeShareLock(file.get(), dwShareMode == 0))
        return INVALID_HANDLE_VALUE;
    if (truncate && ::ftruncate(file.get(), 0) != 0)
        return fail(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT), INVALID_HANDLE_VALUE);
    HANDLE handle = addFile(OpenFile{file.get(), canRead, canWrite});
    file.release(); // the table owns it now; CloseHandle closes it
    const bool reportsExisting = dwCreationDisposition == CREATE_ALWAYS || dwCreationDisposition == OPEN_ALWAYS;
    SetLastError(reportsExisting && existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return handle;
}

BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead, LPDWORD lpNumberOfBytesRead,
                     LPOVERLAPPED lpOverlapped)
{
    OpenFile file;
    if (!findFile(hFile, file))
        return FALSE;
    if (lpOverlapped || !lpNumberOfBytesRead || (!lpBuffer && nNumberOfBytesToRead))
        return fail(ERROR_INVALID_PARAMETER);
    *lpNumberOfBytesRead = 0;
    if (!file.canRead)
        return fail(ERROR_ACCESS_DENIED);
    auto *at = static_cast<BYTE *>(lpBuffer);
    // A synchronous read returns what was asked for unless the file ends first.
    while (*lpNumberOfBytesRead < nNumberOfBytesToRead) {
        const ssize_t n = ::read(file.fd, at + *lpNumberOfBytesRead, nNumberOfBytesToRead - *lpNumberOfBytesRead);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return fail(win32ErrorOfErrno(errno, ERROR_READ_FAULT));
        if (n == 0)
            break;
        *lpNumberOfBytesRead += static_cast<DWORD>(n);
    }
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite, LPDWORD lpNumberOfBytesWritten,
                      LPOVERLAPPED lpOverlapped)
{
    OpenFile file;
    if (!findFile(hFile, file))
        return FALSE;
    if (lpOverlapped || !lpNumberOfBytesWritten || (!lpBuffer && nNumberOfBytesToWrite))
        return fail(ERROR_INVALID_PARAMETER);
    *lpNumberOfBytesWritten = 0;
    if (!file.canWrite)
        return fail(ERROR_ACCESS_DENIED);
    const auto *at = static_cast<const BYTE *>(lpBuffer);
    // All of it or a failure: a full disk reports what was written before it filled.
    while (*lpNumberOfBytesWritten < nNumberOfBytesToWrite) {
        const ssize_t n =
            ::write(file.fd, at + *lpNumberOfBytesWritten, nNumberOfBytesToWrite - *lpNumberOfBytesWritten);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return fail(n < 0 ? win32ErrorOfErrno(errno, ERROR_WRITE_FAULT) : ERROR_WRITE_FAULT);
        *lpNumberOfBytesWritten += static_cast<DWORD>(n);
    }
    return TRUE;
}

BOOL WINAPI GetFileSizeEx(HANDLE hFile, PLARGE_INTEGER lpFileSize)
{
    OpenFile file;
    if (!findFile(hFile, file))
        return FALSE;
    if (!lpFileSize)
        return fail(ERROR_INVALID_PARAMETER);
    struct stat st {};
    if (::fstat(file.fd, &st) != 0)
        return fail(win32ErrorOfErrno(errno, ERROR_READ_FAULT));
    lpFileSize->QuadPart = st.st_size;
    return TRUE;
}

BOOL WINAPI FlushFileBuffers(HANDLE hFile)
{
    OpenFile file;
    if (!findFile(hFile, file))
        return FALSE;
    if (!file.canWrite)
        return fail(ERROR_ACCESS_DENIED); // a handle opened for reading has nothing to flush
    if (::fsync(file.fd) != 0)
        return fail(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
    return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE hObject)
{
    OpenFile file;
    {
        FileTable &table = fileTable();
        std::lock_guard<std::mutex> guard(table.mutex);
        const auto found = table.files.find(reinterpret_cast<std::uintptr_t>(hObject));
        if (found == table.files.end())
            return fail(ERROR_INVALID_HANDLE);
        file = found->second;
        table.files.erase(found);
    }
    // The descriptor is gone either way; a failed close may be a write the disk refused.
    if (::close(file.fd) != 0 && errno != EINTR)
        return fail(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
    return TRUE;
}
