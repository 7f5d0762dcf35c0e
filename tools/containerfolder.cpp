#include "containerfolder.h"

#include "providers/keycontainers.h"
#include "text/utf8text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace keymedium {
namespace {

[[noreturn]] void failed(const std::string &what, int error)
{
    throw std::runtime_error(what + ": " + std::strerror(error));
}

void writeFile(const std::string &path, const void *data, size_t size, mode_t mode)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0)
        failed("cannot write " + path, errno);
    auto *bytes = static_cast<const char *>(data);
    while (size) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            failed("cannot write " + path, error);
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0)
        failed("cannot write " + path, errno);
}

// Whether the container holds this name as the platform layer reads it (so a name file
// that is a FIFO, or huge, is read without waiting and bounded).
bool holdsName(const fs::path &container, const std::wstring &name)
{
    std::wstring held;
    return platform::readContainerName(container.string(), held) && held == name;
}

// A folder name that hints at the container: its ASCII letters and digits, at most 32.
std::string folderStem(const std::string &name)
{
    std::string stem;
    for (char c : name)
        if (stem.size() < 32 &&
            ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            stem.push_back(c);
    return stem.empty() ? "container" : stem;
}

// The new container, filled in a hidden folder that readers skip.
void fill(const std::string &folder, const ContainerContent &content)
{
    writeFile(folder + "/name", content.name.data(), content.name.size(), 0644);
    const std::string key = folder + (content.exchangeKey ? "/exchange" : "/signature");
    if (::mkdir(key.c_str(), 0700) != 0)
        failed("cannot make " + key, errno);
    if (!content.certificate.empty())
        writeFile(key + "/certificate.der", content.certificate.data(), content.certificate.size(), 0644);
    if (!content.privateKeyPem.empty())
        writeFile(key + "/private.pem", content.privateKeyPem.data(), content.privateKeyPem.size(), 0600);
}

} // namespace

std::string writeContainer(const std::string &keyFolder, const ContainerContent &content)
{
    std::error_code error;
    fs::create_directories(keyFolder, error);
    if (error)
        throw std::runtime_error("cannot make the key folder " + keyFolder + ": " + error.message());
    const std::wstring name = platform::fromUtf8(content.name);
    for (const fs::directory_entry &entry : fs::directory_iterator(keyFolder, error)) {
        std::error_code ignored;
        if (entry.is_directory(ignored) && entry.path().filename().string()[0] != '.' && holdsName(entry.path(), name))
            throw std::runtime_error("a container named \"" + content.name + "\" is already in " + keyFolder);
    }
    if (error)
        throw std::runtime_error("cannot read the key folder " + keyFolder + ": " + error.message());

    std::string staging = keyFolder + "/.new-XXXXXX";
    if (!::mkdtemp(staging.data()))
        failed("cannot write into " + keyFolder, errno);
    try {
        fill(staging, content);
        const std::string stem = keyFolder + "/" + folderStem(content.name);
        for (int n = 0; n < 1000; ++n) {
            char suffix[8];
            std::snprintf(suffix, sizeof suffix, ".%03d", n);
            const std::string folder = stem + suffix;
            if (fs::exists(folder, error))
                continue;
            if (::rename(staging.c_str(), folder.c_str()) != 0)
                failed("cannot make " + folder, errno);
            // The rename lasts only once the key folder is on the medium.
            const int fd = ::open(keyFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            if (fd >= 0) {
                ::fsync(fd);
                ::close(fd);
            }
            return folder;
        }
        throw std::runtime_error("the key folder " + keyFolder + " has no room for another container so named");
    } catch (...) {
        fs::remove_all(staging, error);
        throw;
    }
}

} // namespace keymedium
