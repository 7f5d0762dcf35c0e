#include "crypto/store.h"

#include "crypto/cryptexception.h"
#include "crypto/filehandle.h"
#include "crypto/provider.h"

namespace crypto {

namespace {

// The store of an encoded message or serialized store; null, the last error set, when the
// bytes are not that.
HCERTSTORE openEncoded(LPCSTR provider, const BYTE *data, size_t size)
{
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(size), const_cast<BYTE *>(data)};
    return CertOpenStore(provider, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, &blob);
}

} // namespace

CryptoStore::CryptoStore(const CryptoProvider *provider, const std::wstring &name)
    : CryptoStore(CertOpenSystemStoreW(provider ? provider->handle() : 0, name.c_str()))
{
}

CryptoStore::CryptoStore(HCERTSTORE opened, const wchar_t *sentence) : m_handle(opened)
{
    if (!m_handle)
        throwLastError(sentence);
}

void CryptoStore::add(const CryptoCertificate &certificate) { add(certificate.context()); }

void CryptoStore::add(PCCERT_CONTEXT context)
{
    if (!CertAddCertificateContextToStore(handle(), context, CERT_STORE_ADD_ALWAYS, nullptr))
        throwLastError();
}

CryptoCertificate CryptoStore::findByHash(const std::vector<BYTE> &hash) const
{
    CRYPT_HASH_BLOB blob{static_cast<DWORD>(hash.size()), const_cast<BYTE *>(hash.data())};
    PCCERT_CONTEXT context = CertFindCertificateInStore(handle(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0,
                                                        CERT_FIND_SHA1_HASH, &blob, nullptr);
    if (!context)
        throwLastError(L"Для указанного хеша сертификат не найден\n");
    return CryptoCertificate::adopt(context);
}

std::vector<CryptoCertificate> CryptoStore::enumerate() const
{
    std::vector<CryptoCertificate> certificates;
    for (PCCERT_CONTEXT context = CertEnumCertificatesInStore(handle(), nullptr); context;
         context = CertEnumCertificatesInStore(handle(), context))
        certificates.push_back(CryptoCertificate::share(context)); // the next call frees the enumeration's
    return certificates;
}

void CryptoStore::commit()
{
    if (!CertControlStore(handle(), 0, CERT_STORE_CTRL_COMMIT, nullptr))
        throwLastError();
}

void CryptoStore::resync()
{
    if (!CertControlStore(handle(), 0, CERT_STORE_CTRL_RESYNC, nullptr))
        throwLastError();
}

SerializedStore::SerializedStore(const std::wstring &path)
    : CryptoStore(CertOpenStore(CERT_STORE_PROV_FILENAME_W, X509_ASN_ENCODING, 0, CERT_FILE_STORE_COMMIT_ENABLE_FLAG,
                                path.c_str()))
{
}

void SerializedStore::add(PCCERT_CONTEXT context)
{
    DWORD size = 0;
    if (!CertSerializeCertificateStoreElement(context, 0, nullptr, &size))
        throwLastError(L"Ошибка получения размера сериализованного сертификата.\n");
    std::vector<BYTE> element(size);
    if (!CertSerializeCertificateStoreElement(context, 0, element.data(), &size))
        throwLastError(L"Ошибка сериализации сертификата.\n");
    if (!CertAddSerializedElementToStore(handle(), element.data(), size, CERT_STORE_ADD_REPLACE_EXISTING, 0,
                                         CERT_STORE_CERTIFICATE_CONTEXT_FLAG, nullptr, nullptr))
        throwLastError(L"Ошибка добавления сертификата в хранилище.\n");
}

MemoryStore::MemoryStore() : CryptoStore(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr)) {}

MemoryStore::MemoryStore(LPCSTR provider, const BYTE *data, size_t size)
    : CryptoStore(openEncoded(provider, data, size))
{
}

std::vector<BYTE> MemoryStore::save(DWORD saveAs) const
{
    CRYPT_DATA_BLOB blob{0, nullptr};
    if (!CertSaveStore(handle(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, saveAs, CERT_STORE_SAVE_TO_MEMORY, &blob, 0))
        throwLastError();
    std::vector<BYTE> bytes(blob.cbData);
    blob.pbData = bytes.data();
    if (!CertSaveStore(handle(), X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, saveAs, CERT_STORE_SAVE_TO_MEMORY, &blob, 0))
        throwLastError();
    bytes.resize(blob.cbData);
    return bytes;
}

boost::shared_ptr<CryptoStore> openStore(const std::wstring &nameOrPath, bool isFile)
{
    if (isFile)
        return boost::shared_ptr<CryptoStore>(new SerializedStore(nameOrPath));
    return boost::shared_ptr<CryptoStore>(new CryptoStore(nullptr, nameOrPath));
}

namespace {

// A store opened only to be read: nothing is ever written to where it is kept.
class ReadOnlyStore : public CryptoStore {
public:
    ReadOnlyStore(LPCSTR provider, DWORD location, const std::wstring &nameOrPath)
        : CryptoStore(
              CertOpenStore(provider, X509_ASN_ENCODING, 0, location | CERT_STORE_READONLY_FLAG, nameOrPath.c_str()))
    {
    }
};

// Whether the file is there and the user may not write it.
bool unwritableFile(const std::wstring &path)
{
    const FileHandleOwner file(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file && GetLastError() == ERROR_ACCESS_DENIED;
}

} // namespace

boost::shared_ptr<CryptoStore> openStoreToView(const std::wstring &nameOrPath, bool isFile, bool &readOnly)
{
    readOnly = false;
    if (isFile && !unwritableFile(nameOrPath))
        return openStore(nameOrPath, true);
    if (!isFile) {
        try {
            return openStore(nameOrPath, false);
        } catch (const CryptException &error) {
            if (error.code() != static_cast<int>(ERROR_ACCESS_DENIED))
                throw;
        }
    }
    readOnly = true;
    return boost::shared_ptr<CryptoStore>(
        isFile ? new ReadOnlyStore(CERT_STORE_PROV_FILENAME_W, 0, nameOrPath)
               : new ReadOnlyStore(CERT_STORE_PROV_SYSTEM_W, CERT_SYSTEM_STORE_CURRENT_USER, nameOrPath));
}

} // namespace crypto
