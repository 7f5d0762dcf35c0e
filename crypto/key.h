// The user key of a key container.
#pragma once

#include "crypto/certificate.h"
#include "handles/handleowner.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

namespace crypto {

class CryptoProvider;

struct KeyTraits {
    using Handle = HCRYPTKEY;
    static Handle empty() noexcept { return 0; }
    static void close(Handle handle) noexcept { CryptDestroyKey(handle); }
};

// Owns one key handle; the provider it came from must outlive it.
class CryptoKey {
public:
    // The container's key of that kind (callers pass AT_KEYEXCHANGE); throws when it is missing.
    CryptoKey(const CryptoProvider &provider, DWORD keySpec);

    HCRYPTKEY handle() const { return m_handle.get(); }

    // A key parameter of any size (KP_CERTIFICATE: the DER certificate kept with the key).
    std::vector<BYTE> getParam(DWORD param) const;

    // The certificate of the bytes; throws when they are no certificate.
    static CryptoCertificate createCertificate(const std::vector<BYTE> &encoded);

private:
    handles::HandleOwner<KeyTraits> m_handle;
};

} // namespace crypto
