// The certificate record: one reference on a certificate context and the texts shown for it.
#pragma once

#include "handles/handleowner.h"

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <utility>
#include <vector>

namespace crypto {

class CryptoKey;

struct CertificateContextTraits {
    using Handle = PCCERT_CONTEXT;
    static Handle empty() noexcept { return nullptr; }
    static void close(Handle handle) noexcept { CertFreeCertificateContext(handle); }
};

class CryptoCertificate {
public:
    CryptoCertificate() = default;
    // Takes over the caller's reference: the caller frees nothing (null makes an empty record).
    static CryptoCertificate adopt(PCCERT_CONTEXT context) noexcept;
    // Takes a reference of its own: the caller keeps theirs.
    static CryptoCertificate share(PCCERT_CONTEXT context);
    // The certificate kept with the key (KP_CERTIFICATE); throws when it cannot be read.
    explicit CryptoCertificate(const CryptoKey &key);
    CryptoCertificate(const CryptoCertificate &other);
    CryptoCertificate &operator=(const CryptoCertificate &other);
    CryptoCertificate(CryptoCertificate &&other) noexcept = default;
    CryptoCertificate &operator=(CryptoCertificate &&other) noexcept = default;

    PCCERT_CONTEXT context() const { return m_context.get(); }
    bool empty() const { return !m_context; }

    // Drops the reference; FALSE when there was none.
    BOOL release();
    // Deletes the certificate from the store it was found in; the record is empty afterwards.
    BOOL deleteFromStore();

    // Throws when the property cannot be set.
    void setProperty(const void *data, DWORD propId, DWORD flags);
    // The property's bytes. Empty when it is missing or cannot be read, by contract: a damaged
    // property (a key link that cannot be decoded) shows as none and never hides the store.
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
    using ContextOwner = handles::HandleOwner<CertificateContextTraits>;
    explicit CryptoCertificate(ContextOwner context) noexcept : m_context(std::move(context)) {}

    ContextOwner m_context;
};

} // namespace crypto
