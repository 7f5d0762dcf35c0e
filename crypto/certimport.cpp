#include "crypto/certimport.h"

#include "crypto/cryptexception.h"
#include "crypto/filebytes.h"
#include "crypto/store.h"

#include <algorithm>
#include <memory>

namespace crypto {

namespace {

// Larger than any bundle of certificates a user is handed.
constexpr size_t kLargestFile = size_t(256) << 20;

const wchar_t kNoCertificate[] = L"Файл не содержит сертификатов.\n";
const wchar_t kDamaged[] = L"Файл повреждён или не является сертификатом, сообщением PKCS #7 или хранилищем "
                           L"сертификатов.\n";

std::vector<CryptoCertificate> certificatesOf(const CryptoStore &store)
{
    std::vector<CryptoCertificate> certificates = store.enumerate();
    if (certificates.empty())
        throw CryptException(kNoCertificate, 0);
    return certificates;
}

// The certificates of a PKCS #7 message or a serialized store.
std::vector<CryptoCertificate> fromMessage(LPCSTR provider, const BYTE *data, size_t size)
{
    std::unique_ptr<MemoryStore> store;
    try {
        store = std::make_unique<MemoryStore>(provider, data, size);
    } catch (const CryptException &) {
        throw CryptException(kDamaged, 0); // the decoder's reason says nothing more to the user
    }
    return certificatesOf(*store);
}

// One certificate, or a PKCS #7 message of them.
std::vector<CryptoCertificate> fromDer(const BYTE *data, size_t size)
{
    if (PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING, data, static_cast<DWORD>(size)))
        return {CryptoCertificate::adopt(context)};
    return fromMessage(CERT_STORE_PROV_PKCS7, data, size);
}

std::vector<BYTE> fromBase64(const std::wstring &text)
{
    DWORD size = 0;
    if (!CryptStringToBinaryW(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, nullptr, &size,
                              nullptr, nullptr))
        throw CryptException(kDamaged, 0);
    std::vector<BYTE> bytes(size);
    if (!CryptStringToBinaryW(text.data(), static_cast<DWORD>(text.size()), CRYPT_STRING_BASE64, bytes.data(), &size,
                              nullptr, nullptr))
        throw CryptException(kDamaged, 0);
    bytes.resize(size);
    return bytes;
}

// PEM blocks are read by their labels: those of certificates and of PKCS #7 messages;
// others (keys, requests) are passed over.
bool holdsCertificates(const std::wstring &label)
{
    return label == L"CERTIFICATE" || label == L"X509 CERTIFICATE" || label == L"PKCS7" || label == L"CMS";
}

std::vector<CryptoCertificate> fromText(const std::wstring &text)
{
    const std::wstring begin = L"-----BEGIN ", dashes = L"-----";
    std::vector<CryptoCertificate> certificates;
    bool anyBlock = false;
    for (size_t at = text.find(begin); at != std::wstring::npos; at = text.find(begin, at)) {
        const size_t labelStart = at + begin.size();
        const size_t labelEnd = text.find(dashes, labelStart);
        if (labelEnd == std::wstring::npos)
            throw CryptException(kDamaged, 0);
        const std::wstring label = text.substr(labelStart, labelEnd - labelStart);
        // The label is on the BEGIN line. Only its own characters are looked at, so that text
        // without line feeds (CR line ends, blocks on one line) is still read once.
        if (label.find_first_of(L"\r\n") != std::wstring::npos)
            throw CryptException(kDamaged, 0);
        const size_t body = labelEnd + dashes.size();
        const size_t end = text.find(L"-----END " + label + dashes, body);
        if (end == std::wstring::npos)
            throw CryptException(kDamaged, 0);
        at = end + label.size() + 14;
        anyBlock = true;
        if (!holdsCertificates(label))
            continue;
        const std::vector<BYTE> der = fromBase64(text.substr(body, end - body));
        for (CryptoCertificate &certificate : fromDer(der.data(), der.size()))
            certificates.push_back(std::move(certificate));
    }
    if (!anyBlock) {
        // Base64 without PEM lines, as some programs save a certificate.
        const std::vector<BYTE> der = fromBase64(text);
        return fromDer(der.data(), der.size());
    }
    if (certificates.empty())
        throw CryptException(kNoCertificate, 0);
    return certificates;
}

bool isSerializedStore(const std::vector<BYTE> &bytes)
{
    static const BYTE header[] = {0, 0, 0, 0, 'C', 'E', 'R', 'T'};
    return bytes.size() >= sizeof header && std::equal(header, header + sizeof header, bytes.begin());
}

// Base64 and PEM are ASCII; any other byte makes the file no text.
bool isText(const std::vector<BYTE> &bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](BYTE b) {
        return (b >= 0x20 && b < 0x7F) || b == '\r' || b == '\n' || b == '\t';
    });
}

CRYPT_DATA_BLOB blobOf(const std::vector<BYTE> &bytes)
{
    return CRYPT_DATA_BLOB{static_cast<DWORD>(bytes.size()), const_cast<BYTE *>(bytes.data())};
}

// The certificates of a PKCS #12 file, its keys put into containers as it opens. Exportable, as the
// keys of key media are: the user who knows the password may take the key along again.
class PfxStore : public CryptoStore {
public:
    PfxStore(const std::vector<BYTE> &bytes, const std::wstring &password)
        : CryptoStore(importPfx(bytes, password), L"Ошибка импорта файла PKCS #12.\n")
    {
    }

private:
    static HCERTSTORE importPfx(const std::vector<BYTE> &bytes, const std::wstring &password)
    {
        CRYPT_DATA_BLOB blob = blobOf(bytes);
        return PFXImportCertStore(&blob, password.c_str(), CRYPT_USER_KEYSET | CRYPT_EXPORTABLE);
    }
};

std::vector<CryptoCertificate> fromBytes(std::vector<BYTE> bytes)
{
    if (isSerializedStore(bytes))
        return fromMessage(CERT_STORE_PROV_SERIALIZED, bytes.data(), bytes.size());
    // Windows editors may have put a byte-order mark before PEM text.
    static const BYTE byteOrderMark[] = {0xEF, 0xBB, 0xBF};
    if (bytes.size() >= 3 && std::equal(byteOrderMark, byteOrderMark + 3, bytes.begin()))
        bytes.erase(bytes.begin(), bytes.begin() + 3);
    if (bytes.empty())
        throw CryptException(kNoCertificate, 0);
    if (isText(bytes))
        return fromText(std::wstring(bytes.begin(), bytes.end()));
    return fromDer(bytes.data(), bytes.size());
}

} // namespace

ImportFile::ImportFile(const std::wstring &path) : m_bytes(readFileBytes(path, kLargestFile))
{
    CRYPT_DATA_BLOB blob = blobOf(m_bytes);
    m_pfx = !m_bytes.empty() && PFXIsPFXBlob(&blob);
}

bool ImportFile::opensWith(const std::wstring &password) const
{
    CRYPT_DATA_BLOB blob = blobOf(m_bytes);
    return m_pfx && PFXVerifyPassword(&blob, password.c_str(), 0);
}

std::vector<CryptoCertificate> ImportFile::certificates(const std::wstring &password) const
{
    return m_pfx ? certificatesOf(PfxStore(m_bytes, password)) : fromBytes(m_bytes);
}

std::vector<CryptoCertificate> readCertificateFile(const std::wstring &path)
{
    return ImportFile(path).certificates();
}

} // namespace crypto
