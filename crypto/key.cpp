#include "crypto/key.h"

#include "crypto/cryptexception.h"
#include "crypto/provider.h"

#include <utility>

namespace crypto {

CryptoKey::CryptoKey(const CryptoProvider &provider, DWORD keySpec)
{
    if (!CryptGetUserKey(provider.handle(), keySpec, &m_handle))
        throwLastError();
}

CryptoKey::~CryptoKey()
{
    if (m_handle) {
        const DWORD error = GetLastError();
        CryptDestroyKey(m_handle);
        m_handle = 0;
        SetLastError(error);
    }
}

CryptoKey::CryptoKey(CryptoKey &&other) noexcept : m_handle(std::exchange(other.m_handle, 0)) {}

CryptoKey &CryptoKey::operator=(CryptoKey &&other) noexcept
{
    if (this != &other) {
        CryptoKey old(std::move(*this));
        m_handle = std::exchange(other.m_handle, 0);
    }
    return *this;
}

std::vector<BYTE> CryptoKey::getParam(DWORD param) const
{
    // Sized by a query: qualified certificates with many extensions exceed any fixed buffer.
    DWORD size = 0;
    if (!CryptGetKeyParam(m_handle, param, nullptr, &size, 0))
        throwLastError();
    std::vector<BYTE> value(size);
    if (size && !CryptGetKeyParam(m_handle, param, value.data(), &size, 0))
        throwLastError();
    value.resize(size);
    return value;
}

PCCERT_CONTEXT CryptoKey::createCertificate(const std::vector<BYTE> &encoded)
{
    PCCERT_CONTEXT context =
        CertCreateCertificateContext(X509_ASN_ENCODING, encoded.data(), static_cast<DWORD>(encoded.size()));
    if (!context)
        throwLastError();
    return context;
}

} // namespace crypto
