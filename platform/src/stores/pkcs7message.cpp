#include "stores/pkcs7message.h"
#include "certificates/derreader.h"
#include "lasterror.h"

#include <openssl/err.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <algorithm>
#include <memory>

namespace platform {
namespace {

// 1.2.840.113549.1.7.2, the content type of SignedData.
constexpr BYTE kSignedDataOid[] = {0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x02};

bool isContextTag(const DerElement &element, int tag)
{
    return element.tagClass == V_ASN1_CONTEXT_SPECIFIC && element.tag == tag && element.constructed;
}

// Reads the elements of `within` in order, failing with the first ASN.1 error.
struct DerCursor {
    const BYTE *pos, *end;
    explicit DerCursor(const DerElement &within) : pos(within.contents), end(within.contents + within.contentsSize) {}
    DerCursor(const BYTE *data, std::size_t size) : pos(data), end(data + size) {}
    bool atEnd() const { return pos == end; }
    bool next(int tag, bool constructed, DerElement &element)
    {
        const HRESULT hr = readDerElement(pos, end, tag, constructed, element);
        return hr == S_OK || fail(hresultCode(hr), false);
    }
    bool next(DerElement &element)
    {
        const HRESULT hr = readDerElement(pos, end, element);
        return hr == S_OK || fail(hresultCode(hr), false);
    }
};

// The OpenSSL error queue is no business of our callers: they get a last error instead.
struct ErrorQueueMark {
    ErrorQueueMark() { ERR_set_mark(); }
    ~ErrorQueueMark() { ERR_pop_to_mark(); }
};

struct Pkcs7Free {
    void operator()(PKCS7 *p) const { PKCS7_free(p); }
};

} // namespace

bool readSignedDataCertificates(const BYTE *data, std::size_t size, std::vector<Bytes> &certificates)
{
    certificates.clear();
    DerCursor message(data, size);
    DerElement contentInfo, type, explicitContent, signedData, element;
    if (!message.next(V_ASN1_SEQUENCE, true, contentInfo))
        return false;
    if (!message.atEnd())
        return fail(hresultCode(CRYPT_E_ASN1_CORRUPT), false); // bytes after the message
    DerCursor info(contentInfo);
    if (!info.next(V_ASN1_OBJECT, false, type))
        return false;
    if (!std::equal(type.contents, type.contents + type.contentsSize, std::begin(kSignedDataOid),
                    std::end(kSignedDataOid)))
        return fail(hresultCode(CRYPT_E_UNEXPECTED_MSG_TYPE), false);
    if (!info.next(explicitContent))
        return false;
    if (!isContextTag(explicitContent, 0))
        return fail(hresultCode(CRYPT_E_ASN1_BADTAG), false);
    DerCursor content(explicitContent);
    if (!content.next(V_ASN1_SEQUENCE, true, signedData))
        return false;
    // version, digestAlgorithms, contentInfo, then [0] certificates and [1] CRLs, both
    // optional, and signerInfos.
    DerCursor fields(signedData);
    if (!fields.next(V_ASN1_INTEGER, false, element) || !fields.next(V_ASN1_SET, true, element) ||
        !fields.next(V_ASN1_SEQUENCE, true, element) || !fields.next(element))
        return false;
    if (isContextTag(element, 0)) {
        DerCursor set(element);
        while (!set.atEnd()) {
            DerElement certificate;
            if (!set.next(certificate))
                return false;
            // Attribute certificates and the old extended ones come tagged; they are no X.509
            // certificates and no store holds them.
            if (certificate.tagClass == V_ASN1_UNIVERSAL && certificate.tag == V_ASN1_SEQUENCE)
                certificates.emplace_back(certificate.encoding, certificate.encoding + certificate.encodingSize);
        }
        if (!fields.next(element))
            return false;
    }
    if (isContextTag(element, 1) && !fields.next(element))
        return false;
    if (element.tagClass != V_ASN1_UNIVERSAL || element.tag != V_ASN1_SET || !element.constructed)
        return fail(hresultCode(CRYPT_E_ASN1_BADTAG), false);
    if (!fields.atEnd() || !content.atEnd() || !info.atEnd())
        return fail(hresultCode(CRYPT_E_ASN1_CORRUPT), false);
    return true;
}

bool writeDegenerateSignedData(const std::vector<SerializedElement> &elements, Bytes &out)
{
    const ErrorQueueMark mark;
    std::unique_ptr<PKCS7, Pkcs7Free> message(PKCS7_new());
    // Signed data whose content, of type data, is left out: the form that carries only
    // certificates.
    if (!message || !PKCS7_set_type(message.get(), NID_pkcs7_signed))
        return fail(ERROR_NOT_ENOUGH_MEMORY, false);
    ASN1_OBJECT_free(message->d.sign->contents->type);
    message->d.sign->contents->type = OBJ_nid2obj(NID_pkcs7_data);
    for (const SerializedElement &e : elements) {
        const unsigned char *p = e.encoded.data();
        const long length = static_cast<long>(e.encoded.size());
        bool added = true;
        if (e.id == kCertElementId) {
            X509 *certificate = d2i_X509(nullptr, &p, length);
            added = certificate && PKCS7_add_certificate(message.get(), certificate);
            X509_free(certificate);
        } else if (e.id == kCrlElementId) {
            X509_CRL *crl = d2i_X509_CRL(nullptr, &p, length);
            added = crl && PKCS7_add_crl(message.get(), crl);
            X509_CRL_free(crl);
        }
        if (!added)
            return fail(hresultCode(CRYPT_E_BAD_ENCODE), false);
    }
    const int size = i2d_PKCS7(message.get(), nullptr);
    if (size <= 0)
        return fail(hresultCode(CRYPT_E_BAD_ENCODE), false);
    out.resize(static_cast<std::size_t>(size));
    unsigned char *at = out.data();
    if (i2d_PKCS7(message.get(), &at) != size)
        return fail(hresultCode(CRYPT_E_BAD_ENCODE), false);
    return true;
}

} // namespace platform
