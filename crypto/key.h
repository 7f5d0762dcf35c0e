// The user key of a key container.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <vector>

namespace crypto {

class CryptoProvider;

// Owns one key handle; the provider it came from must outlive it.
class CryptoKey {
public:
    // The container's key of that kind (callers pass AT_KEYEXCHANGE); throws when it is missing.
    CryptoKey(const CryptoProvider &provider, DWORD keySpec);
    ~CryptoKey();
    CryptoKey(CryptoKey &&other) noexcept;
    CryptoKey &operator=(CryptoKey &&other) noexcept;
    CryptoKey(const CryptoKey &) = delete;
    CryptoKey &operator=(const CryptoKey &) = delete;

    HCRYPTKEY handle() const { return m_handle; }

    // A key parameter of any size (KP_CERTIFICATE: the DER certificate kept with the key).
    std::vector<BYTE> getParam(DWORD param) const;

    // A new certificate context the caller owns; throws when the bytes are no certificate.
    static PCCERT_CONTEXT createCertificate(const std::vector<BYTE> &encoded);

private:
    HCRYPTKEY m_handle = 0;
};

} // namespace crypto
