#include "crypto/cryptoconfig.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <optional>

namespace {

#ifdef _WIN32
constexpr wchar_t kSeparator = L'\\';
#else
constexpr wchar_t kSeparator = L'/';
#endif

const wchar_t kTypeKey[] = L"MSCAPI.CertKeyStore.Type";
const wchar_t kNameKey[] = L"MSCAPI.CertKeyStore.Name";

std::wstring withSeparators(const wchar_t *path)
{
    std::wstring text = path;
    for (wchar_t &c : text)
        if (c == L'\\')
            c = kSeparator;
    return text;
}

std::wstring fromUtf8(const std::string &bytes)
{
    if (bytes.empty())
        return std::wstring();
    const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
    return text;
}

std::optional<std::ifstream> openConfig(const std::filesystem::path &path)
{
    std::ifstream in(path);
    if (!in.is_open())
        return std::nullopt;
    return in;
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
    std::optional<std::ifstream> in = openConfig(std::filesystem::path(path));
    for (const wchar_t *candidate : {L"Crypto.cfg", L".\\config\\crypto.cfg", L"..\\config\\crypto.cfg",
                                     L"..\\..\\Config\\Crypto.cfg"}) {
        if (in)
            break;
        in = openConfig(std::filesystem::path(resolveModuleRelativePath(withSeparators(candidate))));
    }
#ifndef _WIN32
    if (!in) {
        const std::filesystem::path user = userConfigFile();
        if (!user.empty())
            in = openConfig(user);
    }
#endif
    if (!in)
        return StoreConfig{L"System", L"MY"};

    StoreConfig config{L"System", L"My"};
    std::string line;
    while (std::getline(*in, line)) {
        if (!line.empty() && line.back() == '\r') // text-mode reading drops the CR of CRLF
            line.pop_back();
        applyLine(fromUtf8(line), config);
    }
    return config;
}
