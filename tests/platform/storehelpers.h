// Owners and readers shared by the store tests.
#pragma once

#include <wincrypt.h>

#include "certfactory.h"

#include <memory>
#include <string>
#include <vector>

namespace storetest {

using testsupport::Bytes;

struct ContextDeleter {
    void operator()(PCCERT_CONTEXT c) const { CertFreeCertificateContext(c); }
};
using Context = std::unique_ptr<const CERT_CONTEXT, ContextDeleter>;

struct StoreCloser {
    void operator()(void *s) const { CertCloseStore(s, 0); }
};
using StoreHandle = std::unique_ptr<void, StoreCloser>;

inline Context create(const Bytes &der)
{
    return Context(CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
}

inline StoreHandle openFile(const std::string &path, DWORD flags = CERT_FILE_STORE_COMMIT_ENABLE_FLAG)
{
    std::wstring wide(path.begin(), path.end()); // test paths are ASCII
    return StoreHandle(CertOpenStore(CERT_STORE_PROV_FILENAME_W, X509_ASN_ENCODING, 0, flags, wide.c_str()));
}

inline StoreHandle openMemory()
{
    return StoreHandle(CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr));
}

// The encodings of the store's certificates in enumeration order.
inline std::vector<Bytes> encodings(HCERTSTORE store)
{
    std::vector<Bytes> out;
    for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(store, nullptr); c;
         c = CertEnumCertificatesInStore(store, c))
        out.emplace_back(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded);
    return out;
}

inline Bytes serialize(PCCERT_CONTEXT c)
{
    DWORD size = 0;
    if (!CertSerializeCertificateStoreElement(c, 0, nullptr, &size))
        return {};
    Bytes out(size);
    if (!CertSerializeCertificateStoreElement(c, 0, out.data(), &size))
        return {};
    return out;
}

inline Context findByHash(HCERTSTORE store, const Bytes &hash)
{
    CRYPT_HASH_BLOB blob{static_cast<DWORD>(hash.size()), const_cast<BYTE *>(hash.data())};
    return Context(CertFindCertificateInStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH,
                                              &blob, nullptr));
}

inline Bytes propertyOf(PCCERT_CONTEXT c, DWORD id)
{
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(c, id, nullptr, &size))
        return {};
    Bytes out(size);
    CertGetCertificateContextProperty(c, id, out.data(), &size);
    return out;
}

// A serialized element built from the format description: each property, then the
// certificate, as (id, encoding type, length) and the value.
inline Bytes element(const std::vector<std::pair<std::uint32_t, Bytes>> &props, const Bytes &der,
                     std::uint32_t elementId = 32, std::uint32_t encodingType = X509_ASN_ENCODING)
{
    Bytes out;
    for (const auto &p : props) {
        testsupport::appendDword(out, p.first);
        testsupport::appendDword(out, encodingType);
        testsupport::appendDword(out, static_cast<std::uint32_t>(p.second.size()));
        out.insert(out.end(), p.second.begin(), p.second.end());
    }
    testsupport::appendDword(out, elementId);
    testsupport::appendDword(out, encodingType);
    testsupport::appendDword(out, static_cast<std::uint32_t>(der.size()));
    out.insert(out.end(), der.begin(), der.end());
    return out;
}

inline Bytes storeFile(const std::vector<Bytes> &elements)
{
    Bytes out{0, 0, 0, 0, 'C', 'E', 'R', 'T'};
    for (const Bytes &e : elements)
        out.insert(out.end(), e.begin(), e.end());
    out.insert(out.end(), 12, 0);
    return out;
}

inline Bytes utf16z(const std::u16string &text)
{
    Bytes out;
    for (char16_t c : text) {
        out.push_back(static_cast<unsigned char>(c));
        out.push_back(static_cast<unsigned char>(c >> 8));
    }
    out.push_back(0);
    out.push_back(0);
    return out;
}

} // namespace storetest
