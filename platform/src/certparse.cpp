// DER certificates into CERT_INFO, through OpenSSL.
#include "certobject.h"
#include "lasterror.h"

#include <openssl/asn1.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/objects.h>
#include <openssl/sha.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <ctime>

namespace platform {
namespace {

struct X509Deleter {
    void operator()(X509 *x) const { X509_free(x); }
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

std::string oidText(const ASN1_OBJECT *obj)
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
    // Days from 1601-01-01 (the FILETIME epoch) by the proleptic Gregorian calendar.
    long long y = tm.tm_year + 1900LL, m = tm.tm_mon + 1, d = tm.tm_mday;
    y -= m <= 2;
    long long era = (y >= 0 ? y : y - 399) / 400;
    long long yoe = y - era * 400;
    long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    long long daysSince1970 = era * 146097 + doe - 719468;
    long long seconds = (daysSince1970 + 134774) * 86400LL + tm.tm_hour * 3600LL + tm.tm_min * 60LL + tm.tm_sec;
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
    if (!der || size == 0)
        return fail(hresultCode(CRYPT_E_ASN1_EOD), std::unique_ptr<ParsedCertificate>());
    ERR_clear_error();
    const unsigned char *p = der;
    std::unique_ptr<X509, X509Deleter> x509(d2i_X509(nullptr, &p, static_cast<long>(size)));
    if (!x509)
        return fail(asn1ErrorOf(ERR_peek_last_error()), std::unique_ptr<ParsedCertificate>());
    if (p != der + size) // bytes after the certificate are not part of it
        return fail(hresultCode(CRYPT_E_ASN1_CORRUPT), std::unique_ptr<ParsedCertificate>());

    auto cert = std::make_unique<ParsedCertificate>();
    cert->encoded.assign(der, der + size);
    SHA1(cert->encoded.data(), cert->encoded.size(), cert->sha1.data());

    CERT_INFO &info = cert->info;
    info.dwVersion = static_cast<DWORD>(X509_get_version(x509.get()));

    // CryptoAPI keeps integers least significant byte first, sign byte included.
    const Bytes serial = contentOf(encodeWith(
        [&](unsigned char **out) { return i2d_ASN1_INTEGER(X509_get_serialNumber(x509.get()), out); }));
    cert->serial.assign(serial.rbegin(), serial.rend());
    setBlob(info.SerialNumber, cert->serial);

    const X509_ALGOR *sigAlg = X509_get0_tbs_sigalg(x509.get());
    const ASN1_OBJECT *sigObj = nullptr;
    X509_ALGOR_get0(&sigObj, nullptr, nullptr, sigAlg);
    cert->signatureOid = oidText(sigObj);
    cert->signatureParams = paramsOf(sigAlg);
    info.SignatureAlgorithm.pszObjId = cert->signatureOid.data();
    setBlob(info.SignatureAlgorithm.Parameters, cert->signatureParams);

    auto nameDer = [](const X509_NAME *name) {
        const unsigned char *bytes = nullptr;
        size_t len = 0;
        X509_NAME_get0_der(name, &bytes, &len);
        return Bytes(bytes, bytes + len);
    };
    cert->issuer = nameDer(X509_get_issuer_name(x509.get()));
    cert->subject = nameDer(X509_get_subject_name(x509.get()));
    setBlob(info.Issuer, cert->issuer);
    setBlob(info.Subject, cert->subject);

    if (!toFileTime(X509_get0_notBefore(x509.get()), info.NotBefore) ||
        !toFileTime(X509_get0_notAfter(x509.get()), info.NotAfter))
        return fail(hresultCode(CRYPT_E_ASN1_CORRUPT), std::unique_ptr<ParsedCertificate>());

    X509_PUBKEY *pub = X509_get_X509_PUBKEY(x509.get());
    ASN1_OBJECT *keyObj = nullptr;
    const unsigned char *keyBytes = nullptr;
    int keyLen = 0;
    X509_ALGOR *keyAlg = nullptr;
    X509_PUBKEY_get0_param(&keyObj, &keyBytes, &keyLen, &keyAlg, pub);
    cert->publicKeyOid = oidText(keyObj);
    cert->publicKeyParams = paramsOf(keyAlg);
    cert->publicKey.assign(keyBytes, keyBytes + keyLen);
    info.SubjectPublicKeyInfo.Algorithm.pszObjId = cert->publicKeyOid.data();
    setBlob(info.SubjectPublicKeyInfo.Algorithm.Parameters, cert->publicKeyParams);
    info.SubjectPublicKeyInfo.PublicKey.cbData = static_cast<DWORD>(cert->publicKey.size());
    info.SubjectPublicKeyInfo.PublicKey.pbData = cert->publicKey.empty() ? nullptr : cert->publicKey.data();

    const ASN1_BIT_STRING *issuerUid = nullptr, *subjectUid = nullptr;
    X509_get0_uids(x509.get(), &issuerUid, &subjectUid);
    setBits(info.IssuerUniqueId, issuerUid, cert->issuerUid);
    setBits(info.SubjectUniqueId, subjectUid, cert->subjectUid);

    const int count = X509_get_ext_count(x509.get());
    cert->extensionOids.reserve(static_cast<size_t>(count));
    cert->extensionValues.reserve(static_cast<size_t>(count));
    cert->extensions.resize(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        X509_EXTENSION *ext = X509_get_ext(x509.get(), i);
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
