// Cryptographic service providers and their key containers.
#pragma once

#include "handles/handleowner.h"

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

namespace crypto {

struct ProviderEntry {
    DWORD type;
    std::wstring name;
};

// The installed providers in the system's order; empty when there are none. Never throws.
std::vector<ProviderEntry> enumProviders();

struct ProviderTraits {
    using Handle = HCRYPTPROV;
    static Handle empty() noexcept { return 0; }
    static void close(Handle handle) noexcept { CryptReleaseContext(handle, 0); }
};

// Owns one provider context; released when it goes, with the last error kept.
class CryptoProvider {
public:
    // A context without a key container (flags such as CRYPT_VERIFYCONTEXT).
    CryptoProvider(DWORD providerType, const std::wstring &providerName, DWORD flags);
    // A context on the named key container.
    CryptoProvider(const std::wstring &providerName, const std::wstring &containerName, DWORD providerType,
                   DWORD flags);

    HCRYPTPROV handle() const { return m_handle.get(); }

    // The raw value of a provider parameter; throws when its size cannot be read.
    std::vector<BYTE> getParam(DWORD param, DWORD flags) const;
    std::wstring providerName() const;
    std::wstring uniqueContainerName() const;
    DWORD providerType() const;

    // The names of the provider's key containers; empty when there are none (for example no
    // key medium is inserted). Throws only when the provider keeps asking for a larger buffer.
    std::vector<std::wstring> enumContainers() const;

private:
    handles::HandleOwner<ProviderTraits> m_handle;
};

} // namespace crypto
