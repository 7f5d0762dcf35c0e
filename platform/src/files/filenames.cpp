// Calls on files by name: temporary file names, moving, replacing and deleting.
#include "files/descriptor.h"
#include "files/fileerrors.h"
#include "files/filereplace.h"
#include "files/regularfiles.h"
#include "lasterror.h"
#include "text/utf8text.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cwchar>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace platform;

namespace {

bool syncPath(const std::string &path, int flags)
{
    const Fd file(::open(path.c_str(), flags | O_CLOEXEC));
    return file && ::fsync(file.get()) == 0;
}

// The error of a call on `path` that failed with `error`: a missing name says whether its
// folder is missing too, as Windows does.
DWORD errorFor(const std::string &path, int error, DWORD fallback)
{
    return error == ENOENT ? missingFileError(path) : win32ErrorOfErrno(error, fallback);
}

// Copies a regular file's bytes to `to` whole (see replaceWithNewFile), with the file's
// permissions.
bool copyFile(const std::string &from, const std::string &to, bool replace)
{
    const Fd in(::open(from.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!in)
        return fail(errorFor(from, errno, ERROR_READ_FAULT), false);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return fail(ERROR_ACCESS_DENIED, false); // only files are copied between file systems
    return replaceWithNewFile(
        to,
        [&](int out) {
            char buffer[65536];
            while (true) {
                const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
                if (n < 0 && errno == EINTR)
                    continue;
                if (n < 0)
                    return errno;
                if (n == 0)
                    return ::fchmod(out, st.st_mode & 07777) == 0 ? 0 : errno;
                for (ssize_t done = 0; done < n;) {
                    const ssize_t w = ::write(out, buffer + done, static_cast<size_t>(n - done));
                    if (w < 0 && errno != EINTR)
                        return errno;
                    if (w > 0)
                        done += w;
                }
            }
        },
        replace);
}

} // namespace

UINT WINAPI GetTempFileNameW(LPCWSTR lpPathName, LPCWSTR lpPrefixString, UINT uUnique, LPWSTR lpTempFileName)
{
    if (!lpPathName || !lpTempFileName)
        return fail<UINT>(ERROR_INVALID_PARAMETER, 0);
    // The name is the folder, up to three characters of the prefix, the number in
    // hexadecimal and ".TMP", and must fit a buffer of MAX_PATH characters.
    const std::size_t pathLength = std::wcslen(lpPathName);
    if (pathLength > MAX_PATH - 14)
        return fail<UINT>(ERROR_BUFFER_OVERFLOW, 0);
    std::wstring stem = lpPathName;
    if (!stem.empty() && stem.back() != L'/')
        stem += L'/';
    if (lpPrefixString)
        stem.append(lpPrefixString, std::min<std::size_t>(std::wcslen(lpPrefixString), 3));
    auto nameFor = [&](UINT number) {
        wchar_t digits[8];
        std::swprintf(digits, 8, L"%X", number);
        return stem + digits + L".TMP";
    };
    if (uUnique != 0) { // the caller's number: the name is made, no file is
        uUnique &= 0xFFFF;
        const std::wstring name = nameFor(uUnique);
        std::wcscpy(lpTempFileName, name.c_str());
        return uUnique;
    }
    // Numbers from the clock, the next one while a file of that name is there.
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    UINT number = static_cast<UINT>((now ^ ::getpid()) & 0xFFFF);
    for (UINT tried = 0; tried < 0xFFFF; ++tried, number = number % 0xFFFF + 1) {
        if (number == 0)
            number = 1;
        const std::wstring name = nameFor(number);
        const std::string path = toUtf8(name);
        const Fd made(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!made && errno == EEXIST)
            continue;
        if (!made) // a missing name here is a missing folder
            return fail<UINT>(errno == ENOENT ? ERROR_PATH_NOT_FOUND : win32ErrorOfErrno(errno, ERROR_ACCESS_DENIED),
                              0);
        std::wcscpy(lpTempFileName, name.c_str());
        return number;
    }
    return fail<UINT>(ERROR_FILE_EXISTS, 0);
}

BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags)
{
    // Moves that wait for a restart, or leave a link, are not offered.
    constexpr DWORD known = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH;
    if (!lpExistingFileName || !lpNewFileName || (dwFlags & ~known))
        return fail(ERROR_INVALID_PARAMETER);
    const std::string from = toUtf8(lpExistingFileName), to = toUtf8(lpNewFileName);
    if (from.empty() || to.empty())
        return fail(ERROR_PATH_NOT_FOUND);
    if (sharingViolation(from))
        return FALSE;
    const bool replace = dwFlags & MOVEFILE_REPLACE_EXISTING;
    int error = replace ? (::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno) : renameNoReplace(from, to);
    if (error == EXDEV && (dwFlags & MOVEFILE_COPY_ALLOWED)) {
        if (!copyFile(from, to, replace))
            return FALSE;
        error = ::unlink(from.c_str()) == 0 ? 0 : errno;
        if (error) // the copy is there and the original stays: report what failed
            return fail(win32ErrorOfErrno(error, ERROR_ACCESS_DENIED));
    } else if (error == EEXIST) {
        return fail(ERROR_ALREADY_EXISTS);
    } else if (error == ENOENT) {
        // The source missing, or the target's folder.
        struct stat st {};
        return fail(::lstat(from.c_str(), &st) == 0 ? missingFileError(to) : missingFileError(from));
    } else if (error) {
        return fail(win32ErrorOfErrno(error, ERROR_ACCESS_DENIED));
    }
    // The move reaches the disk once the folder that now names the file is flushed.
    if ((dwFlags & MOVEFILE_WRITE_THROUGH) && !syncPath(folderOf(to), O_RDONLY | O_DIRECTORY))
        return fail(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
    return TRUE;
}

BOOL WINAPI DeleteFileW(LPCWSTR lpFileName)
{
    if (!lpFileName)
        return fail(ERROR_INVALID_PARAMETER);
    const std::string path = toUtf8(lpFileName);
    if (path.empty())
        return fail(ERROR_PATH_NOT_FOUND);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return fail(ERROR_ACCESS_DENIED); // folders are removed by RemoveDirectory, not here
    if (sharingViolation(path))
        return FALSE;
    if (::unlink(path.c_str()) != 0)
        return fail(errorFor(path, errno, ERROR_ACCESS_DENIED));
    return TRUE;
}

BOOL WINAPI ReplaceFileW(LPCWSTR lpReplacedFileName, LPCWSTR lpReplacementFileName, LPCWSTR lpBackupFileName,
                         DWORD dwReplaceFlags, LPVOID lpExclude, LPVOID lpReserved)
{
    // Write-through is accepted and always done: the folder is flushed after the rename.
    constexpr DWORD known = REPLACEFILE_WRITE_THROUGH | REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS;
    if (!lpReplacedFileName || !lpReplacementFileName || lpExclude || lpReserved || (dwReplaceFlags & ~known))
        return fail(ERROR_INVALID_PARAMETER);
    const std::string named = toUtf8(lpReplacedFileName), replacement = toUtf8(lpReplacementFileName);
    if (named.empty() || replacement.empty())
        return fail(ERROR_PATH_NOT_FOUND);
    std::string replaced;
    if (!followLinks(named, replaced))
        return FALSE;
    struct stat old {};
    switch (checkReplaceable(replaced, old)) {
    case Replaceable::Missing:
        return fail(missingFileError(replaced));
    case Replaceable::Refused:
        return FALSE;
    case Replaceable::Present:
        break;
    }
    if (sharingViolation(replaced) || sharingViolation(replacement))
        return FALSE;
    {
        const Fd file(openRegularFile(replacement, O_RDONLY));
        if (!file)
            return FALSE;
        // The permissions stand for the replaced file's access control list.
        const bool merged = keepOwnerAndMode(file.get(), old);
        const int error = errno;
        if (!merged && !(dwReplaceFlags & (REPLACEFILE_IGNORE_MERGE_ERRORS | REPLACEFILE_IGNORE_ACL_ERRORS)))
            return fail(win32ErrorOfErrno(error, ERROR_ACCESS_DENIED));
    }
    if (lpBackupFileName) {
        if (::rename(replaced.c_str(), toUtf8(lpBackupFileName).c_str()) != 0)
            return fail(ERROR_UNABLE_TO_REMOVE_REPLACED);
        if (::rename(replacement.c_str(), replaced.c_str()) != 0)
            return fail(ERROR_UNABLE_TO_MOVE_REPLACEMENT_2);
    } else if (::rename(replacement.c_str(), replaced.c_str()) != 0) {
        // A link may lead to another file system: the bytes are copied there whole.
        if (errno != EXDEV || !copyFile(replacement, replaced, true))
            return fail(ERROR_UNABLE_TO_MOVE_REPLACEMENT);
        ::unlink(replacement.c_str());
    }
    if (!syncPath(folderOf(replaced), O_RDONLY | O_DIRECTORY))
        return fail(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
    return TRUE;
}
