#include "certfactory.h"

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/sha.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>

namespace testsupport {
namespace {

EVP_PKEY *sharedKey()
{
    // One key for all certificates keeps thousands of them cheap to make.
    static EVP_PKEY *key = EVP_EC_gen("P-256");
    if (!key)
        throw std::runtime_error("EC key generation failed");
    return key;
}

} // namespace

Bytes makeCertificate(const CertificateSpec &spec)
{
    std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
    X509_set_version(cert.get(), 2);
    BIGNUM *bn = BN_bin2bn(spec.serial.data(), static_cast<int>(spec.serial.size()), nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert.get()));
    BN_free(bn);
    ASN1_TIME_set(X509_getm_notBefore(cert.get()), spec.notBeforeUnix);
    ASN1_TIME_set(X509_getm_notAfter(cert.get()), spec.notAfterUnix);
    X509_NAME *name = X509_get_subject_name(cert.get());
    if (!spec.commonName.empty())
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char *>(spec.commonName.c_str()), -1, -1, 0);
    if (!spec.organization.empty())
        X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char *>(spec.organization.c_str()), -1, -1, 0);
    X509_set_issuer_name(cert.get(), name);
    X509_set_pubkey(cert.get(), sharedKey());
    if (spec.subjectKeyIdentifier) {
        X509V3_CTX ctx;
        X509V3_set_ctx(&ctx, cert.get(), cert.get(), nullptr, nullptr, 0);
        X509_EXTENSION *ext = X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_key_identifier, "hash");
        X509_add_ext(cert.get(), ext, -1);
        X509_EXTENSION_free(ext);
    }
    if (!X509_sign(cert.get(), sharedKey(), EVP_sha256()))
        throw std::runtime_error("signing failed");
    unsigned char *der = nullptr;
    int len = i2d_X509(cert.get(), &der);
    Bytes out(der, der + len);
    OPENSSL_free(der);
    return out;
}

Bytes makeNumberedCertificate(unsigned number)
{
    CertificateSpec spec;
    spec.commonName = "Certificate " + std::to_string(number);
    spec.serial = {static_cast<unsigned char>(number >> 24), static_cast<unsigned char>(number >> 16),
                   static_cast<unsigned char>(number >> 8), static_cast<unsigned char>(number), 0x5A};
    return makeCertificate(spec);
}

Bytes sha1Of(const Bytes &data)
{
    Bytes out(SHA_DIGEST_LENGTH);
    SHA1(data.data(), data.size(), out.data());
    return out;
}

Bytes subjectKeyIdOf(const Bytes &der)
{
    const unsigned char *p = der.data();
    std::unique_ptr<X509, decltype(&X509_free)> x(d2i_X509(nullptr, &p, static_cast<long>(der.size())), X509_free);
    const ASN1_OCTET_STRING *id = x ? X509_get0_subject_key_id(x.get()) : nullptr;
    return id ? Bytes(id->data, id->data + id->length) : Bytes();
}

void appendDword(Bytes &out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

} // namespace testsupport
