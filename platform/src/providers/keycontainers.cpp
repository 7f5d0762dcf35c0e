#include "providers/keycontainers.h"
#include "lasterror.h"
#include "stores/storefile.h"

#include <algorithm>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <utility>

namespace platform {
namespace {

const wchar_t kUniquePrefix[] = L"\\\\.\\";

bool isFolder(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// Visible entries of a folder in name order; none when it cannot be read.
std::vector<std::string> visibleEntries(const std::string &folder)
{
    std::vector<std::string> names;
    if (DIR *dir = ::opendir(folder.c_str())) {
        while (const dirent *entry = ::readdir(dir))
            if (entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The container name kept in `folder`; false when the folder holds none.
bool containerName(const std::string &folder, std::wstring &name)
{
    Bytes data;
    const std::string file = folder + "/name";
    if (!fileExists(file) || !readWholeFile(file, data))
        return false;
    // A name written by hand often ends in a line break that is no part of it.
    while (!data.empty() && (data.back() == '\n' || data.back() == '\r'))
        data.pop_back();
    if (data.empty() || std::find(data.begin(), data.end(), 0) != data.end())
        return false;
    name = fromUtf8(std::string(data.begin(), data.end()));
    return true;
}

const char *keyFolderName(DWORD keySpec) { return keySpec == AT_SIGNATURE ? "signature" : "exchange"; }

} // namespace

std::vector<Reader> presentReaders(const std::vector<ReaderSource> &sources)
{
    std::vector<Reader> readers;
    std::set<std::pair<dev_t, ino_t>> seen;
    auto add = [&](std::wstring name, std::string folder) {
        struct stat st {};
        if (::stat(folder.c_str(), &st) == 0 && !seen.insert({st.st_dev, st.st_ino}).second)
            return;
        const std::wstring base = name;
        for (int n = 2; std::any_of(readers.begin(), readers.end(), [&](const Reader &r) { return r.name == name; });
             ++n)
            name = base + L"-" + std::to_wstring(n);
        readers.push_back(Reader{std::move(name), std::move(folder)});
    };
    for (const ReaderSource &source : sources) {
        if (source.kind == ReaderSource::Kind::Folder) {
            add(source.name, source.path);
            continue;
        }
        for (const std::string &medium : visibleEntries(source.path)) {
            const std::string keys = source.path + "/" + medium + "/" + kMediumKeyFolder;
            if (isFolder(keys))
                add(L"MEDIA-" + fromUtf8(medium), keys);
        }
    }
    return readers;
}

std::vector<Container> containersIn(const Reader &reader)
{
    std::vector<Container> containers;
    for (const std::string &entry : visibleEntries(reader.folder)) {
        Container container{{}, reader.name, reader.folder + "/" + entry};
        if (isFolder(container.folder) && containerName(container.folder, container.name))
            containers.push_back(std::move(container));
    }
    std::stable_sort(containers.begin(), containers.end(),
                     [](const Container &a, const Container &b) { return a.name < b.name; });
    return containers;
}

std::wstring uniqueContainerName(const Container &container)
{
    return kUniquePrefix + container.reader + L"\\" + container.name;
}

bool findContainer(const std::vector<Reader> &readers, const std::wstring &name, Container &out)
{
    auto findIn = [&](const Reader &reader, const std::wstring &listed) {
        for (Container &container : containersIn(reader))
            if (container.name == listed) {
                out = std::move(container);
                return true;
            }
        return false;
    };
    if (name.compare(0, std::wcslen(kUniquePrefix), kUniquePrefix) == 0) {
        const std::wstring qualified = name.substr(std::wcslen(kUniquePrefix));
        for (const Reader &reader : readers) {
            const std::wstring prefix = reader.name + L"\\";
            if (qualified.compare(0, prefix.size(), prefix) == 0 && findIn(reader, qualified.substr(prefix.size())))
                return true;
        }
    }
    // A listed name may look like a unique one.
    return std::any_of(readers.begin(), readers.end(), [&](const Reader &reader) { return findIn(reader, name); });
}

bool openContainerKey(const Container &container, DWORD keySpec, ContainerKey &out)
{
    std::wstring name;
    if (!containerName(container.folder, name) || name != container.name)
        return fail(hresultCode(NTE_BAD_KEYSET), false);
    const std::string keyFolder = container.folder + "/" + keyFolderName(keySpec);
    if (!isFolder(keyFolder))
        return fail(hresultCode(NTE_NO_KEY), false);
    out = ContainerKey{};
    const std::string certificate = keyFolder + "/certificate.der";
    if (!fileExists(certificate))
        out.certificateError = hresultCode(SCARD_E_NO_SUCH_CERTIFICATE);
    else if (!readWholeFile(certificate, out.certificate))
        out.certificateError = GetLastError();
    else if (out.certificate.empty())
        out.certificateError = hresultCode(SCARD_E_NO_SUCH_CERTIFICATE);
    return true;
}

} // namespace platform
