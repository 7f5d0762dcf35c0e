#include "crypto/cryptoconfig.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>

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

// The whole file; nothing when it cannot be opened or read (a folder, for one).
std::optional<std::string> readFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in.is_open())
        return std::nullopt;
    std::string bytes;
    char chunk[4096];
    while (in.read(chunk, sizeof chunk), in.gcount() > 0)
        bytes.append(chunk, static_cast<size_t>(in.gcount()));
    if (in.bad())
        return std::nullopt;
    return bytes;
}

// Paths are converted here, not by std::filesystem::path: from a wide string it converts
// through the C++ global locale, which throws under the classic one at the first letter
// beyond ASCII, and the program's folder may well have Cyrillic names.
std::optional<std::string> readCandidate(const std::wstring &path)
{
#ifdef _WIN32
    return readFile(std::filesystem::path(path)); // wide is the native form there
#else
    // File names are UTF-8 here, as the platform's store files take them.
    if (path.empty() || path.size() > static_cast<size_t>(INT_MAX))
        return std::nullopt;
    const int length = static_cast<int>(path.size());
    const int size = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, path.data(), length, nullptr, 0, nullptr,
                                         nullptr);
    if (size <= 0)
        return std::nullopt;
    std::string bytes(static_cast<size_t>(size), '\0');
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, path.data(), length, &bytes[0], size, nullptr,
                            nullptr) != size)
        return std::nullopt;
    return readFile(std::filesystem::path(bytes));
#endif
}

#ifndef _WIN32
// Where an installed program's configuration belongs on this host.
std::filesystem::path userConfigFile()
{
    std::filesystem::path base;
    if (const char *config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        base = config;
    else if (const char *home = std::getenv("HOME"); home && *home)
        base = std::filesystem::path(home) / ".config";
    else
        return {};
    return base / "certinstall" / "Crypto.cfg";
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
    (key == kTypeKey ? config.type : config.name) = line.substr(equals + 1);
}

} // namespace

std::wstring moduleDirectory()
{
    wchar_t buffer[512] = {};
    GetModuleFileNameW(GetModuleHandleW(nullptr), buffer, 512);
    std::wstring path(buffer);
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
        bytes = readCandidate(resolveModuleRelativePath(withSeparators(candidate)));
    }
#ifndef _WIN32
    if (!bytes) {
        const std::filesystem::path user = userConfigFile();
        if (!user.empty())
            bytes = readFile(user);
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
