#include "crypto/cryptoconfig.h"

#include "crypto/cryptexception.h"
#include "crypto/filebytes.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

namespace {

#ifdef _WIN32
constexpr wchar_t kSeparator = L'\\';
#else
constexpr wchar_t kSeparator = L'/';
#endif

const wchar_t kTypeKey[] = L"MSCAPI.CertKeyStore.Type";
const wchar_t kNameKey[] = L"MSCAPI.CertKeyStore.Name";
constexpr UINT kRussianAnsiCodePage = 1251;

std::wstring withSeparators(const wchar_t *path)
{
    std::wstring text = path;
    for (wchar_t &c : text)
        if (c == L'\\')
            c = kSeparator;
    return text;
}

std::optional<std::wstring> decode(UINT codePage, DWORD flags, std::string_view bytes)
{
    if (bytes.empty() || bytes.size() > static_cast<size_t>(INT_MAX))
        return std::nullopt;
    const int length = static_cast<int>(bytes.size());
    const int size = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    if (size <= 0)
        return std::nullopt;
    std::wstring text(static_cast<size_t>(size), L'\0');
    if (MultiByteToWideChar(codePage, flags, bytes.data(), length, &text[0], size) != size)
        return std::nullopt;
    return text;
}

// Text as Windows programs save it: UTF-8, with or without a byte-order mark, or from older
// editors the Russian ANSI code page. One line cannot tell, so the whole file decides.
std::wstring decodeText(std::string_view bytes)
{
    const std::string_view byteOrderMark = "\xEF\xBB\xBF";
    if (bytes.substr(0, byteOrderMark.size()) == byteOrderMark)
        bytes.remove_prefix(byteOrderMark.size());
    if (std::optional<std::wstring> text = decode(CP_UTF8, MB_ERR_INVALID_CHARS, bytes))
        return *text;
    return decode(kRussianAnsiCodePage, 0, bytes).value_or(std::wstring());
}

// Far larger than any configuration a person writes.
constexpr size_t kLargestConfig = size_t(1) << 20;

// The whole file; nothing when it cannot be opened or read (a folder, for one). The file
// calls take the wide path as it is, whatever the C++ global locale, and the program's
// folder may well have Cyrillic names.
std::optional<std::string> readCandidate(const std::wstring &path)
{
    try {
        const std::vector<BYTE> bytes = crypto::readFileBytes(path, kLargestConfig);
        return std::string(bytes.begin(), bytes.end());
    } catch (const crypto::CryptException &) {
        return std::nullopt;
    }
}

#ifndef _WIN32
// Where an installed program's configuration belongs on this host (file names are UTF-8
// here).
std::wstring userConfigFile()
{
    std::string base;
    if (const char *config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        base = config;
    else if (const char *home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        return {};
    return decode(CP_UTF8, MB_ERR_INVALID_CHARS, base + "/certinstall/Crypto.cfg").value_or(std::wstring());
}
#endif

void applyLine(const std::wstring &line, StoreConfig &config)
{
    if (line.empty() || line[0] == L'#')
        return;
    const wchar_t *key = nullptr;
    if (line.find(kTypeKey) != std::wstring::npos)
        key = kTypeKey;
    else if (line.find(kNameKey) != std::wstring::npos)
        key = kNameKey;
    else
        return;
    const size_t equals = line.find(L'=', line.find(key) + std::wcslen(key));
    if (equals == std::wstring::npos)
        return;
    std::wstring value = line.substr(equals + 1);
    // A NUL would end the store's name or path early where it is passed on, so that the
    // proposal would be another store than the line says.
    if (value.find(L'\0') != std::wstring::npos)
        return;
    (key == kTypeKey ? config.type : config.name) = std::move(value);
}

} // namespace

std::wstring moduleDirectory()
{
    // Grown until the whole path fits: a cut one names another folder.
    std::wstring path(512, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(GetModuleHandleW(nullptr), &path[0], static_cast<DWORD>(path.size()));
        if (length == 0)
            crypto::throwLastError();
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t last = path.rfind(kSeparator);
    return last == std::wstring::npos ? path : path.substr(0, last);
}

std::wstring resolveModuleRelativePath(const std::wstring &relativePath)
{
    std::wstring directory = moduleDirectory();
    long components = static_cast<long>(std::count(directory.begin(), directory.end(), kSeparator)) + 1;
    const std::wstring here = std::wstring(L".") + kSeparator;
    const std::wstring up = std::wstring(L"..") + kSeparator;
    size_t at = 0;
    while (true) {
        if (relativePath.compare(at, here.size(), here) == 0) {
            at += here.size();
        } else if (relativePath.compare(at, up.size(), up) == 0) {
            at += up.size();
            --components;
            if (components > 1) {
                const size_t last = directory.rfind(kSeparator);
                if (last != std::wstring::npos)
                    directory.resize(last);
            }
        } else {
            break;
        }
    }
    return directory + kSeparator + relativePath.substr(at);
}

StoreConfig readCryptoConfig(const std::wstring &path)
{
    // A candidate that cannot be reached, whatever the reason, is not there.
    std::optional<std::string> bytes = readCandidate(path);
    for (const wchar_t *candidate : {L"Crypto.cfg", L".\\config\\crypto.cfg", L"..\\config\\crypto.cfg",
                                     L"..\\..\\Config\\Crypto.cfg"}) {
        if (bytes)
            break;
        try {
            bytes = readCandidate(resolveModuleRelativePath(withSeparators(candidate)));
        } catch (const crypto::CryptException &) {
            break; // without the program's folder the files beside it cannot be reached
        }
    }
#ifndef _WIN32
    if (!bytes) {
        const std::wstring user = userConfigFile();
        if (!user.empty())
            bytes = readCandidate(user);
    }
#endif
    if (!bytes)
        return StoreConfig{L"System", L"MY"};

    // Lines end at CR LF, LF or a lone CR, whichever system wrote the file.
    StoreConfig config{L"System", L"My"};
    const std::wstring text = decodeText(*bytes);
    for (size_t start = 0; start < text.size();) {
        const size_t end = std::min(text.find_first_of(L"\r\n", start), text.size());
        applyLine(text.substr(start, end - start), config);
        start = end + (text.compare(end, 2, L"\r\n") == 0 ? 2 : 1);
    }
    return config;
}
