// The certificate record: one reference on a certificate context and the texts shown for it.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

namespace crypto {

class CryptoKey;

class CryptoCertificate {
public:
    CryptoCertificate() = default;
    // Takes its own reference; the caller keeps theirs.
    explicit CryptoCertificate(PCCERT_CONTEXT context);
    // The certificate kept with the key (KP_CERTIFICATE); throws when it cannot be read.
    explicit CryptoCertificate(const CryptoKey &key);
    CryptoCertificate(const CryptoCertificate &other);
    CryptoCertificate &operator=(const CryptoCertificate &other);
    CryptoCertificate(CryptoCertificate &&other) noexcept;
    CryptoCertificate &operator=(CryptoCertificate &&other) noexcept;
    ~CryptoCertificate();

    PCCERT_CONTEXT context() const { return m_context; }
    bool empty() const { return m_context == nullptr; }

    // Drops the reference; FALSE when there was none.
    BOOL release();
    // Deletes the certificate from the store it was found in; the record is empty afterwards.
    BOOL deleteFromStore();

    // Throws when the property cannot be set.
    void setProperty(const void *data, DWORD propId, DWORD flags);
    // The property's bytes; empty when it cannot be read.
    std::vector<BYTE> getProperty(DWORD propId) const;

    std::wstring subjectName(DWORD strType) const;
    std::wstring issuerName(DWORD strType) const;
    std::wstring notBefore() const;
    std::wstring notAfter() const;
    std::wstring serialNumber() const;
    std::wstring sha1Hash() const;
    // Bytes of the subject key identifier, each followed by a space; empty without one.
    std::wstring keyIdentifier() const;
    // "container - provider" of the key link; empty without a container.
    std::wstring keyContainerInfo() const;
    std::wstring simpleDisplayName() const;

private:
    PCCERT_CONTEXT m_context = nullptr;
};

} // namespace crypto
