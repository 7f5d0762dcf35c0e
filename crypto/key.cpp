#include "crypto/key.h"

#include "crypto/cryptexception.h"
#include "crypto/provider.h"

namespace crypto {

namespace {

HCRYPTKEY userKey(const CryptoProvider &provider, DWORD keySpec)
{
    HCRYPTKEY handle = 0;
    if (!CryptGetUserKey(provider.handle(), keySpec, &handle))
        throwLastError();
    return handle;
}

} // namespace

CryptoKey::CryptoKey(const CryptoProvider &provider, DWORD keySpec) : m_handle(userKey(provider, keySpec)) {}

std::vector<BYTE> CryptoKey::getParam(DWORD param) const
{
    // Sized by a query: qualified certificates with many extensions exceed any fixed buffer.
    DWORD size = 0;
    if (!CryptGetKeyParam(handle(), param, nullptr, &size, 0))
        throwLastError();
    std::vector<BYTE> value(size);
    if (size && !CryptGetKeyParam(handle(), param, value.data(), &size, 0))
        throwLastError();
    value.resize(size);
    return value;
}

CryptoCertificate CryptoKey::createCertificate(const std::vector<BYTE> &encoded)
{
    PCCERT_CONTEXT context =
        CertCreateCertificateContext(X509_ASN_ENCODING, encoded.data(), static_cast<DWORD>(encoded.size()));
    if (!context)
        throwLastError();
    return CryptoCertificate::adopt(context);
}

} // namespace crypto
