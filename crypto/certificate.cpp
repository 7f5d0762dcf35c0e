#include "crypto/certificate.h"

#include "crypto/certformat.h"
#include "crypto/cryptexception.h"
#include "crypto/key.h"

#include <cstdint>

namespace crypto {

CryptoCertificate CryptoCertificate::adopt(PCCERT_CONTEXT context) noexcept
{
    return CryptoCertificate(ContextOwner(context));
}

CryptoCertificate CryptoCertificate::share(PCCERT_CONTEXT context)
{
    return adopt(context ? CertDuplicateCertificateContext(context) : nullptr);
}

CryptoCertificate::CryptoCertificate(const CryptoKey &key)
    : CryptoCertificate(CryptoKey::createCertificate(key.getParam(KP_CERTIFICATE)))
{
}

CryptoCertificate::CryptoCertificate(const CryptoCertificate &other) : CryptoCertificate(share(other.context())) {}

CryptoCertificate &CryptoCertificate::operator=(const CryptoCertificate &other)
{
    if (this != &other)
        *this = share(other.context());
    return *this;
}

BOOL CryptoCertificate::release()
{
    if (!m_context)
        return FALSE;
    m_context.reset(); // freeing a context always succeeds
    return TRUE;
}

BOOL CryptoCertificate::deleteFromStore()
{
    // The call frees the context whatever it returns.
    return CertDeleteCertificateFromStore(m_context.release());
}

void CryptoCertificate::setProperty(const void *data, DWORD propId, DWORD flags)
{
    if (!CertSetCertificateContextProperty(context(), propId, flags, data))
        throwLastError();
}

std::vector<BYTE> CryptoCertificate::getProperty(DWORD propId) const
{
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(context(), propId, nullptr, &size))
        return {};
    std::vector<BYTE> value(size);
    if (!CertGetCertificateContextProperty(context(), propId, value.data(), &size))
        return {};
    value.resize(size);
    return value;
}

std::wstring CryptoCertificate::subjectName(DWORD strType) const
{
    return nameBlobToString(context()->pCertInfo->Subject, strType);
}

std::wstring CryptoCertificate::issuerName(DWORD strType) const
{
    return nameBlobToString(context()->pCertInfo->Issuer, strType);
}

std::wstring CryptoCertificate::notBefore() const
{
    return formatFileTime(context()->pCertInfo->NotBefore, DATE_LONGDATE);
}

std::wstring CryptoCertificate::notAfter() const
{
    return formatFileTime(context()->pCertInfo->NotAfter, DATE_LONGDATE);
}

std::wstring CryptoCertificate::serialNumber() const
{
    const CRYPT_INTEGER_BLOB &serial = context()->pCertInfo->SerialNumber;
    return bytesToHexReversed(serial.pbData, serial.cbData, -1);
}

std::wstring CryptoCertificate::sha1Hash() const
{
    const std::vector<BYTE> hash = getProperty(CERT_SHA1_HASH_PROP_ID);
    return bytesToHex(hash.data(), hash.size(), -1);
}

std::wstring CryptoCertificate::keyIdentifier() const
{
    const CERT_INFO *info = context()->pCertInfo;
    const CERT_EXTENSION *extension = CertFindExtension(szOID_SUBJECT_KEY_IDENTIFIER, info->cExtension,
                                                        info->rgExtension);
    if (!extension)
        return std::wstring();
    DWORD size = 0;
    if (!CryptDecodeObject(X509_ASN_ENCODING, szOID_SUBJECT_KEY_IDENTIFIER, extension->Value.pbData,
                           extension->Value.cbData, 0, nullptr, &size))
        throwLastError();
    // Room for the CRYPT_DATA_BLOB and its bytes, aligned for the structure.
    std::vector<std::uint64_t> buffer((size + sizeof(std::uint64_t) - 1) / sizeof(std::uint64_t));
    if (!CryptDecodeObject(X509_ASN_ENCODING, szOID_SUBJECT_KEY_IDENTIFIER, extension->Value.pbData,
                           extension->Value.cbData, 0, buffer.data(), &size))
        throwLastError();
    const auto *blob = reinterpret_cast<const CRYPT_DATA_BLOB *>(buffer.data());
    return bytesToHex(blob->pbData, blob->cbData, 1);
}

std::wstring CryptoCertificate::keyContainerInfo() const
{
    const std::vector<BYTE> value = getProperty(CERT_KEY_PROV_INFO_PROP_ID);
    if (value.size() < sizeof(CRYPT_KEY_PROV_INFO))
        return std::wstring();
    const auto *info = reinterpret_cast<const CRYPT_KEY_PROV_INFO *>(value.data());
    const std::wstring container = info->pwszContainerName ? info->pwszContainerName : L"";
    const std::wstring provider = info->pwszProvName ? info->pwszProvName : L"";
    if (container.empty())
        return std::wstring(); // the provider alone says nothing about where the key is
    return container + L" - " + provider;
}

std::wstring CryptoCertificate::simpleDisplayName() const
{
    void *type = const_cast<char *>(szOID_SUBJECT_ALT_NAME);
    const DWORD length = CertGetNameStringW(context(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, type, nullptr, 0);
    if (length == 0)
        return std::wstring();
    std::wstring text(length, L'\0');
    const DWORD written = CertGetNameStringW(context(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, type, &text[0], length);
    text.resize(written ? written - 1 : 0);
    return text;
}

} // namespace crypto
