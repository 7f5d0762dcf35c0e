#include "providers/keycontainers.h"
#include "files/descriptor.h"
#include "files/filereading.h"
#include "lasterror.h"

#include "text/utf8text.h"

#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cstdint>
#include <dirent.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <tuple>
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
    if (const FolderStream dir{::opendir(folder.c_str())}) {
        while (const dirent *entry = ::readdir(dir.get()))
            if (entry->d_name[0] != '.')
                names.emplace_back(entry->d_name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

const char *keyFolderName(DWORD keySpec) { return keySpec == AT_SIGNATURE ? "signature" : "exchange"; }

std::wstring hexText(const std::vector<unsigned char> &bytes)
{
    static const wchar_t digits[] = L"0123456789ABCDEF";
    std::wstring text;
    text.reserve(bytes.size() * 2);
    for (unsigned char byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

// The container name of each certificate on a token, in their order; empty for one that
// can have none (its name would be too long). A label that is not UTF-8 counts as empty.
std::vector<std::wstring> tokenContainerNames(const std::vector<TokenCertificate> &certificates)
{
    std::vector<std::wstring> labels(certificates.size());
    std::map<std::wstring, size_t> uses;
    for (size_t i = 0; i < certificates.size(); ++i) {
        if (!decodeUtf8(certificates[i].label, labels[i]))
            labels[i].clear();
        ++uses[labels[i]];
    }
    std::vector<std::wstring> names(certificates.size());
    for (size_t i = 0; i < certificates.size(); ++i) {
        const std::wstring id = hexText(certificates[i].id);
        const std::wstring &label = labels[i];
        names[i] = label.empty() ? id : uses[label] > 1 ? label + L" (" + id + L")" : label;
        if (!isContainerName(names[i]))
            names[i].clear();
    }
    return names;
}

// The key a token's certificate stands for (keySpecOf; the exchange key when it cannot be read).
DWORD tokenKeySpec(const std::vector<unsigned char> &certificate)
{
    const unsigned char *at = certificate.data();
    X509 *parsed = d2i_X509(nullptr, &at, static_cast<long>(certificate.size()));
    const DWORD keySpec = keySpecOf(parsed);
    X509_free(parsed);
    return keySpec;
}

std::wstring tokenReaderName(const Token &token)
{
    std::wstring label = fromUtf8(token.label.empty() ? token.serial : token.label);
    std::replace(label.begin(), label.end(), L'\\', L'_'); // would end the reader's part of a unique name
    return L"TOKEN-" + label;
}

} // namespace

bool isContainerName(const std::wstring &name)
{
    size_t units = 0;
    for (wchar_t c : name) {
        if (c == L'\0')
            return false;
        units += static_cast<std::uint32_t>(c) > 0xFFFF ? 2 : 1;
    }
    return units > 0 && units <= kLongestContainerName;
}

bool readContainerName(const std::string &folder, std::wstring &name)
{
    // Three UTF-8 bytes at most per UTF-16 unit, and a line break of two.
    constexpr size_t kLongestNameFile = kLongestContainerName * 3 + 2;
    Bytes data;
    const std::string file = folder + "/name";
    if (!fileExists(file) || !readWholeFile(file, data, kLongestNameFile))
        return false;
    // A name written by hand often ends in a line break that is no part of it.
    while (!data.empty() && (data.back() == '\n' || data.back() == '\r'))
        data.pop_back();
    std::wstring decoded;
    if (!decodeUtf8(std::string(data.begin(), data.end()), decoded) || !isContainerName(decoded))
        return false;
    name = std::move(decoded);
    return true;
}

std::vector<Reader> presentReaders(const std::vector<ReaderSource> &sources)
{
    std::vector<Reader> readers;
    std::set<std::pair<dev_t, ino_t>> seen;
    std::set<std::tuple<std::string, CK_SLOT_ID, std::string, std::string>> seenTokens;
    std::set<std::wstring> names;
    std::map<std::wstring, int> nextSuffix;
    auto add = [&](std::wstring name, std::string folder, std::optional<Token> token = std::nullopt) {
        struct stat st {};
        if (token ? !seenTokens.emplace(token->moduleFile, token->slot, token->label, token->serial).second
                  : ::stat(folder.c_str(), &st) == 0 && !seen.insert({st.st_dev, st.st_ino}).second)
            return;
        if (!names.insert(name).second) {
            // Each base name goes on from its last suffix, so many readers of one name
            // cost no more than as many names.
            const std::wstring base = name;
            int &suffix = nextSuffix.emplace(base, 2).first->second;
            do
                name = base + L"-" + std::to_wstring(suffix++);
            while (!names.insert(name).second);
        }
        readers.push_back(Reader{std::move(name), std::move(folder), std::move(token)});
    };
    for (const ReaderSource &source : sources) {
        if (source.kind == ReaderSource::Kind::Folder) {
            add(source.name, source.path);
            continue;
        }
        if (source.kind != ReaderSource::Kind::MediaRoot) {
            for (Token &token : presentTokens(source)) {
                std::wstring name = tokenReaderName(token); // before the token moves
                add(std::move(name), {}, std::move(token));
            }
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
    std::vector<TokenCertificate> certificates;
    if (reader.token && tokenCertificates(*reader.token, certificates)) {
        const std::vector<std::wstring> names = tokenContainerNames(certificates);
        for (size_t i = 0; i < certificates.size(); ++i)
            if (!names[i].empty())
                containers.push_back(Container{names[i], reader.name, {}, reader.token, certificates[i].id});
    }
    for (const std::string &entry : reader.token ? std::vector<std::string>{} : visibleEntries(reader.folder)) {
        Container container{{}, reader.name, reader.folder + "/" + entry, std::nullopt, {}};
        if (isFolder(container.folder) && readContainerName(container.folder, container.name))
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

namespace {

// A container on a token: the certificate of that name and id, while the token is there.
bool openTokenKey(const Container &container, DWORD keySpec, ContainerKey &out)
{
    std::vector<TokenCertificate> certificates;
    if (!tokenCertificates(*container.token, certificates))
        return fail(hresultCode(NTE_BAD_KEYSET), false);
    const std::vector<std::wstring> names = tokenContainerNames(certificates);
    for (size_t i = 0; i < certificates.size(); ++i) {
        if (names[i] != container.name || certificates[i].id != container.id)
            continue;
        if (tokenKeySpec(certificates[i].value) != keySpec)
            return fail(hresultCode(NTE_NO_KEY), false);
        out = ContainerKey{};
        out.certificate = std::move(certificates[i].value);
        return true;
    }
    return fail(hresultCode(NTE_BAD_KEYSET), false);
}

} // namespace

bool openContainerKey(const Container &container, DWORD keySpec, ContainerKey &out)
{
    if (container.token)
        return openTokenKey(container, keySpec, out);
    std::wstring name;
    if (!readContainerName(container.folder, name) || name != container.name)
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

DWORD keySpecOf(X509 *certificate)
{
    if (!certificate)
        return AT_KEYEXCHANGE;
    const std::uint32_t usage = X509_get_key_usage(certificate);
    return usage & (KU_KEY_ENCIPHERMENT | KU_DATA_ENCIPHERMENT | KU_KEY_AGREEMENT) ? AT_KEYEXCHANGE : AT_SIGNATURE;
}

} // namespace platform
