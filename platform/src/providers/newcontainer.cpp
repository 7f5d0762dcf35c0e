#include "providers/newcontainer.h"
#include "files/fileerrors.h"
#include "lasterror.h"
#include "providers/keycontainers.h"
#include "text/utf8text.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {
namespace {

bool failedWith(int error) { return fail(win32ErrorOfErrno(error, ERROR_WRITE_FAULT), false); }

bool writeFile(const std::string &path, const void *data, size_t size, mode_t mode)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        return failedWith(errno);
    const char *bytes = static_cast<const char *>(data);
    while (size) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return failedWith(error);
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        return failedWith(error);
    }
    return ::close(fd) == 0 || failedWith(errno);
}

bool fill(const std::string &folder, const NewContainer &container)
{
    const std::string name = toUtf8(container.name);
    if (!writeFile(folder + "/name", name.data(), name.size(), 0644))
        return false;
    const std::string key = folder + (container.keySpec == AT_SIGNATURE ? "/signature" : "/exchange");
    if (::mkdir(key.c_str(), 0700) != 0)
        return failedWith(errno);
    return (container.certificate.empty() ||
            writeFile(key + "/certificate.der", container.certificate.data(), container.certificate.size(), 0644)) &&
           (container.privateKeyPem.empty() ||
            writeFile(key + "/private.pem", container.privateKeyPem.data(), container.privateKeyPem.size(), 0600));
}

// UTF-16 units, as container names are measured.
size_t unitsOf(const std::wstring &text)
{
    size_t units = 0;
    for (wchar_t c : text)
        units += static_cast<std::uint32_t>(c) > 0xFFFF ? 2 : 1;
    return units;
}

std::wstring cutTo(std::wstring text, size_t units)
{
    while (unitsOf(text) > units)
        text.pop_back();
    return text;
}

} // namespace

std::wstring unusedContainerName(const std::string &keyFolder, const std::wstring &wanted)
{
    std::set<std::wstring> taken;
    Reader folder;
    folder.folder = keyFolder;
    for (const Container &container : containersIn(folder))
        taken.insert(container.name);
    const std::wstring whole = cutTo(wanted, kLongestContainerName);
    if (!taken.count(whole))
        return whole;
    // A key folder holds fewer containers than this, so a free suffix is always found.
    for (size_t n = 2;; ++n) {
        const std::wstring suffix = L" (" + std::to_wstring(n) + L")";
        const std::wstring name = cutTo(wanted, kLongestContainerName - suffix.size()) + suffix;
        if (!taken.count(name))
            return name;
    }
}

std::string writeNewContainer(const std::string &keyFolder, const NewContainer &container)
{
    std::error_code error;
    std::filesystem::create_directories(keyFolder, error);
    if (error)
        return fail(win32ErrorOfErrno(error.value(), ERROR_WRITE_FAULT), std::string());
    std::string staging = keyFolder + "/.new-XXXXXX";
    if (!::mkdtemp(staging.data()))
        return fail(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT), std::string());
    if (fill(staging, container)) {
        // The folder's own name says nothing; the first free one of a numbered series.
        for (unsigned n = 0; n < 100000; ++n) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, ".%03u", n);
            const std::string folder = keyFolder + "/" + container.folderStem + suffix;
            if (::renameat2(AT_FDCWD, staging.c_str(), AT_FDCWD, folder.c_str(), RENAME_NOREPLACE) == 0) {
                // The rename lasts only once the key folder is written.
                const int fd = ::open(keyFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                if (fd >= 0) {
                    ::fsync(fd);
                    ::close(fd);
                }
                return folder;
            }
            if (errno != EEXIST && errno != ENOTEMPTY) {
                SetLastError(win32ErrorOfErrno(errno, ERROR_WRITE_FAULT));
                break;
            }
        }
    }
    const DWORD code = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
    std::filesystem::remove_all(staging, error);
    return fail(code, std::string());
}

} // namespace platform
