#include "crypto/provider.h"

#include "crypto/ansitext.h"
#include "crypto/cryptexception.h"

#include <algorithm>

namespace crypto {

namespace {

// How often one container name may ask for a larger buffer.
constexpr int kMaxGrowths = 4;

HCRYPTPROV acquireContext(const wchar_t *containerName, const std::wstring &providerName, DWORD providerType,
                          DWORD flags)
{
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextW(&handle, containerName, providerName.c_str(), providerType, flags))
        throwLastError();
    return handle;
}

} // namespace

std::vector<ProviderEntry> enumProviders()
{
    std::vector<ProviderEntry> providers;
    providers.reserve(20);
    wchar_t name[200] = {};
    for (DWORD index = 0;; ++index) {
        DWORD type = 0;
        DWORD size = sizeof name; // reset before every call: it holds the last name's size after one
        if (!CryptEnumProvidersW(index, nullptr, 0, &type, name, &size))
            break;
        providers.push_back(ProviderEntry{type, name});
    }
    return providers;
}

CryptoProvider::CryptoProvider(DWORD providerType, const std::wstring &providerName, DWORD flags)
    : m_handle(acquireContext(nullptr, providerName, providerType, flags))
{
}

CryptoProvider::CryptoProvider(const std::wstring &providerName, const std::wstring &containerName,
                               DWORD providerType, DWORD flags)
    : m_handle(acquireContext(containerName.c_str(), providerName, providerType, flags))
{
}

std::vector<BYTE> CryptoProvider::getParam(DWORD param, DWORD flags) const
{
    DWORD size = 0;
    if (!CryptGetProvParam(handle(), param, nullptr, &size, flags))
        throwLastError();
    std::vector<BYTE> value(size);
    if (size && !CryptGetProvParam(handle(), param, value.data(), &size, flags))
        throwLastError();
    value.resize(size);
    return value;
}

std::wstring CryptoProvider::providerName() const
{
    const std::vector<BYTE> value = getParam(PP_NAME, 1);
    return ansiToWide(reinterpret_cast<const char *>(value.data()), static_cast<int>(value.size()));
}

std::wstring CryptoProvider::uniqueContainerName() const
{
    const std::vector<BYTE> value = getParam(PP_UNIQUE_CONTAINER, 1);
    return ansiToWide(reinterpret_cast<const char *>(value.data()), static_cast<int>(value.size()));
}

DWORD CryptoProvider::providerType() const
{
    const std::vector<BYTE> value = getParam(PP_PROVTYPE, 1);
    return value.empty() ? 0 : value[0];
}

std::vector<std::wstring> CryptoProvider::enumContainers() const
{
    std::vector<std::wstring> names;
    names.reserve(15);
    // Asking for the longest name first lets names of any length through: a fixed buffer
    // would end the list at the first long name (50 Cyrillic letters fill 100 bytes).
    DWORD longest = 0;
    if (!CryptGetProvParam(handle(), PP_ENUMCONTAINERS, nullptr, &longest, CRYPT_FIRST) || longest == 0)
        return names;
    std::vector<char> name(longest + 1, '\0');
    int growths = 0;
    for (DWORD flags = CRYPT_FIRST;;) {
        DWORD size = static_cast<DWORD>(name.size() - 1);
        if (!CryptGetProvParam(handle(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE *>(name.data()), &size, flags)) {
            if (GetLastError() != ERROR_MORE_DATA)
                break;
            // A longer name appeared meanwhile: the same one again, in a larger buffer. A
            // provider that still wants more after a few rounds would keep us here forever.
            if (++growths > kMaxGrowths)
                throwLastError();
            name.assign(std::max<size_t>(size_t{size} + 1, name.size() * 2), '\0');
            continue;
        }
        growths = 0;
        names.push_back(ansiToWide(name.data(), -1));
        flags = CRYPT_NEXT;
    }
    return names;
}

} // namespace crypto
