// DER certificates into CERT_INFO, through OpenSSL.
#include "certificates/certobject.h"
#include "lasterror.h"

#include <openssl/asn1.h>
#include <openssl/asn1t.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/sha.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <ctime>
#include <unordered_map>


// The certificate's structure as OpenSSL templates. X509 itself would also decode the
// public key through the provider machinery, which costs far more than everything else
// and tells nothing that CERT_INFO holds; names stay raw DER, as CERT_INFO keeps them.
struct KeyInfo {
    X509_ALGOR *algorithm;
    ASN1_BIT_STRING *key;
};
struct ToBeSigned {
    ASN1_INTEGER *version;
    ASN1_INTEGER *serial;
    X509_ALGOR *signature;
    ASN1_TYPE *issuer;
    X509_VAL *validity;
    ASN1_TYPE *subject;
    KeyInfo *keyInfo;
    ASN1_BIT_STRING *issuerUid;
    ASN1_BIT_STRING *subjectUid;
    STACK_OF(X509_EXTENSION) * extensions;
};
struct Certificate {
    ToBeSigned *tbs;
    X509_ALGOR *signatureAlgorithm;
    ASN1_BIT_STRING *signature;
};

DECLARE_ASN1_FUNCTIONS(Certificate)

ASN1_SEQUENCE(KeyInfo) = {
    ASN1_SIMPLE(KeyInfo, algorithm, X509_ALGOR),
    ASN1_SIMPLE(KeyInfo, key, ASN1_BIT_STRING),
} ASN1_SEQUENCE_END(KeyInfo)

ASN1_SEQUENCE(ToBeSigned) = {
    ASN1_EXP_OPT(ToBeSigned, version, ASN1_INTEGER, 0),
    ASN1_SIMPLE(ToBeSigned, serial, ASN1_INTEGER),
    ASN1_SIMPLE(ToBeSigned, signature, X509_ALGOR),
    ASN1_SIMPLE(ToBeSigned, issuer, ASN1_ANY),
    ASN1_SIMPLE(ToBeSigned, validity, X509_VAL),
    ASN1_SIMPLE(ToBeSigned, subject, ASN1_ANY),
    ASN1_SIMPLE(ToBeSigned, keyInfo, KeyInfo),
    ASN1_IMP_OPT(ToBeSigned, issuerUid, ASN1_BIT_STRING, 1),
    ASN1_IMP_OPT(ToBeSigned, subjectUid, ASN1_BIT_STRING, 2),
    ASN1_EXP_SEQUENCE_OF_OPT(ToBeSigned, extensions, X509_EXTENSION, 3),
} ASN1_SEQUENCE_END(ToBeSigned)

ASN1_SEQUENCE(Certificate) = {
    ASN1_SIMPLE(Certificate, tbs, ToBeSigned),
    ASN1_SIMPLE(Certificate, signatureAlgorithm, X509_ALGOR),
    ASN1_SIMPLE(Certificate, signature, ASN1_BIT_STRING),
} ASN1_SEQUENCE_END(Certificate)

IMPLEMENT_ASN1_FUNCTIONS(Certificate)

namespace platform {
namespace {

struct CertificateDeleter {
    void operator()(Certificate *c) const { Certificate_free(c); }
};

DWORD asn1ErrorOf(unsigned long err)
{
    if (ERR_GET_LIB(err) == ERR_LIB_ASN1) {
        switch (ERR_GET_REASON(err)) {
        case ASN1_R_TOO_LONG:
        case ASN1_R_HEADER_TOO_LONG:
        case ASN1_R_NOT_ENOUGH_DATA:
            return hresultCode(CRYPT_E_ASN1_EOD);
        case ASN1_R_WRONG_TAG:
        case ASN1_R_BAD_OBJECT_HEADER:
            return hresultCode(CRYPT_E_ASN1_BADTAG);
        case ERR_R_MALLOC_FAILURE:
            return hresultCode(CRYPT_E_ASN1_MEMORY);
        default:
            break;
        }
    }
    return hresultCode(CRYPT_E_ASN1_CORRUPT);
}

std::string oidTextOf(const ASN1_OBJECT *obj)
{
    char buf[128];
    int n = OBJ_obj2txt(buf, sizeof buf, obj, 1);
    if (n < 0)
        return {};
    if (n < static_cast<int>(sizeof buf))
        return std::string(buf, static_cast<size_t>(n));
    std::string big(static_cast<size_t>(n) + 1, '\0');
    OBJ_obj2txt(big.data(), n + 1, obj, 1);
    big.resize(static_cast<size_t>(n));
    return big;
}

// The dotted text of an object identifier. Turning one into text costs more than parsing
// the rest of a certificate, and a store holds few different ones: each thread keeps those
// it has turned, by their encoding, up to a bound a hostile store cannot grow past.
std::string oidText(const ASN1_OBJECT *obj)
{
    const unsigned char *der = obj ? OBJ_get0_data(obj) : nullptr;
    const size_t length = obj ? OBJ_length(obj) : 0;
    if (!der || length == 0)
        return oidTextOf(obj);
    thread_local std::unordered_map<std::string, std::string> turned;
    std::string key(reinterpret_cast<const char *>(der), length);
    const auto found = turned.find(key);
    if (found != turned.end())
        return found->second;
    std::string text = oidTextOf(obj);
    if (turned.size() >= 256)
        turned.clear();
    turned.emplace(std::move(key), text);
    return text;
}

template <class F>
Bytes encodeWith(F encode)
{
    unsigned char *out = nullptr;
    int n = encode(&out);
    if (n <= 0)
        return {};
    Bytes bytes(out, out + n);
    OPENSSL_free(out);
    return bytes;
}

// The content octets of a DER TLV, skipping its tag and length.
Bytes contentOf(const Bytes &tlv)
{
    if (tlv.size() < 2)
        return {};
    size_t pos = 1;
    size_t len = tlv[pos++];
    if (len & 0x80) {
        size_t count = len & 0x7F;
        len = 0;
        while (count-- && pos < tlv.size())
            len = (len << 8) | tlv[pos++];
    }
    if (pos + len > tlv.size())
        return {};
    return Bytes(tlv.begin() + static_cast<long>(pos), tlv.begin() + static_cast<long>(pos + len));
}

bool toFileTime(const ASN1_TIME *time, FILETIME &out)
{
    struct tm tm {};
    if (!time || ASN1_TIME_to_tm(time, &tm) != 1)
        return false;
    // Certificate times are UTC; FILETIME counts from 1601-01-01.
    const long long seconds = static_cast<long long>(timegm(&tm)) + 11644473600LL;
    if (seconds < 0)
        return false;
    unsigned long long ticks = static_cast<unsigned long long>(seconds) * 10000000ULL;
    out.dwLowDateTime = static_cast<DWORD>(ticks);
    out.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return true;
}

void setBlob(CRYPT_INTEGER_BLOB &blob, Bytes &bytes)
{
    blob.cbData = static_cast<DWORD>(bytes.size());
    blob.pbData = bytes.empty() ? nullptr : bytes.data();
}

void setBits(CRYPT_BIT_BLOB &blob, const ASN1_BIT_STRING *bits, Bytes &storage)
{
    if (!bits)
        return;
    storage.assign(bits->data, bits->data + bits->length);
    blob.cbData = static_cast<DWORD>(storage.size());
    blob.pbData = storage.empty() ? nullptr : storage.data();
    blob.cUnusedBits = (bits->flags & ASN1_STRING_FLAG_BITS_LEFT) ? static_cast<DWORD>(bits->flags & 0x07) : 0;
}

Bytes paramsOf(const X509_ALGOR *alg)
{
    int ptype = 0;
    const void *pval = nullptr;
    X509_ALGOR_get0(nullptr, &ptype, &pval, alg);
    if (ptype == V_ASN1_UNDEF)
        return {};
    ASN1_TYPE *type = ASN1_TYPE_new();
    ASN1_TYPE_set1(type, ptype, pval);
    Bytes der = encodeWith([&](unsigned char **out) { return i2d_ASN1_TYPE(type, out); });
    ASN1_TYPE_free(type);
    return der;
}

} // namespace

std::unique_ptr<ParsedCertificate> parseCertificate(const BYTE *der, DWORD size)
{
    using Result = std::unique_ptr<ParsedCertificate>;
    if (!der || size == 0)
        return fail(hresultCode(CRYPT_E_ASN1_EOD), Result());
    ERR_clear_error();
    const unsigned char *p = der;
    std::unique_ptr<Certificate, CertificateDeleter> parsed(d2i_Certificate(nullptr, &p, static_cast<long>(size)));
    if (!parsed)
        return fail(asn1ErrorOf(ERR_peek_last_error()), Result());
    if (p != der + size) // bytes after the certificate are not part of it
        return fail(hresultCode(CRYPT_E_ASN1_CORRUPT), Result());
    const ToBeSigned &tbs = *parsed->tbs;
    // Names must be SEQUENCEs; their inside is read when they are shown.
    if (tbs.issuer->type != V_ASN1_SEQUENCE || tbs.subject->type != V_ASN1_SEQUENCE)
        return fail(hresultCode(CRYPT_E_ASN1_BADTAG), Result());

    auto cert = std::make_unique<ParsedCertificate>();
    cert->encoded.assign(der, der + size);
    SHA1(cert->encoded.data(), cert->encoded.size(), cert->sha1.data());

    CERT_INFO &info = cert->info;
    info.dwVersion = tbs.version ? static_cast<DWORD>(ASN1_INTEGER_get(tbs.version)) : 0;

    // CryptoAPI keeps integers least significant byte first, sign byte included.
    const Bytes serial =
        contentOf(encodeWith([&](unsigned char **out) { return i2d_ASN1_INTEGER(tbs.serial, out); }));
    cert->serial.assign(serial.rbegin(), serial.rend());
    setBlob(info.SerialNumber, cert->serial);

    const ASN1_OBJECT *sigObj = nullptr;
    X509_ALGOR_get0(&sigObj, nullptr, nullptr, tbs.signature);
    cert->signatureOid = oidText(sigObj);
    cert->signatureParams = paramsOf(tbs.signature);
    info.SignatureAlgorithm.pszObjId = cert->signatureOid.data();
    setBlob(info.SignatureAlgorithm.Parameters, cert->signatureParams);

    auto nameDer = [](const ASN1_TYPE *name) {
        const ASN1_STRING *raw = name->value.sequence;
        return Bytes(raw->data, raw->data + raw->length);
    };
    cert->issuer = nameDer(tbs.issuer);
    cert->subject = nameDer(tbs.subject);
    setBlob(info.Issuer, cert->issuer);
    setBlob(info.Subject, cert->subject);

    if (!toFileTime(tbs.validity->notBefore, info.NotBefore) || !toFileTime(tbs.validity->notAfter, info.NotAfter))
        return fail(hresultCode(CRYPT_E_ASN1_CORRUPT), Result());

    const ASN1_OBJECT *keyObj = nullptr;
    X509_ALGOR_get0(&keyObj, nullptr, nullptr, tbs.keyInfo->algorithm);
    cert->publicKeyOid = oidText(keyObj);
    cert->publicKeyParams = paramsOf(tbs.keyInfo->algorithm);
    setBits(info.SubjectPublicKeyInfo.PublicKey, tbs.keyInfo->key, cert->publicKey);
    info.SubjectPublicKeyInfo.Algorithm.pszObjId = cert->publicKeyOid.data();
    setBlob(info.SubjectPublicKeyInfo.Algorithm.Parameters, cert->publicKeyParams);

    setBits(info.IssuerUniqueId, tbs.issuerUid, cert->issuerUid);
    setBits(info.SubjectUniqueId, tbs.subjectUid, cert->subjectUid);

    const int count = tbs.extensions ? sk_X509_EXTENSION_num(tbs.extensions) : 0;
    cert->extensionOids.reserve(static_cast<size_t>(count));
    cert->extensionValues.reserve(static_cast<size_t>(count));
    cert->extensions.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        X509_EXTENSION *ext = sk_X509_EXTENSION_value(tbs.extensions, i);
        const ASN1_OCTET_STRING *data = X509_EXTENSION_get_data(ext);
        cert->extensionOids.push_back(oidText(X509_EXTENSION_get_object(ext)));
        cert->extensionValues.emplace_back(data->data, data->data + data->length);
        CERT_EXTENSION &e = cert->extensions[static_cast<size_t>(i)];
        e.pszObjId = cert->extensionOids.back().data();
        e.fCritical = X509_EXTENSION_get_critical(ext) ? TRUE : FALSE;
        setBlob(e.Value, cert->extensionValues.back());
    }
    info.cExtension = static_cast<DWORD>(count);
    info.rgExtension = count ? cert->extensions.data() : nullptr;
    return cert;
}

bool isHashProperty(DWORD id)
{
    return id == CERT_SHA1_HASH_PROP_ID || id == CERT_MD5_HASH_PROP_ID || id == CERT_SHA256_HASH_PROP_ID;
}

Bytes computeHashProperty(const ParsedCertificate &cert, DWORD id)
{
    if (id == CERT_SHA1_HASH_PROP_ID)
        return Bytes(cert.sha1.begin(), cert.sha1.end());
    const EVP_MD *md = id == CERT_MD5_HASH_PROP_ID ? EVP_md5() : EVP_sha256();
    Bytes out(static_cast<size_t>(EVP_MD_get_size(md)));
    unsigned int len = 0;
    EVP_Digest(cert.encoded.data(), cert.encoded.size(), out.data(), &len, md, nullptr);
    out.resize(len);
    return out;
}

} // namespace platform
