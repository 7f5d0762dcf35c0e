#include "selfsigned.h"
#include "opensslerror.h"

#include <openssl/rand.h>
#include <openssl/x509v3.h>

#include <stdexcept>

namespace keymedium {
namespace {

void check(int ok, const char *what)
{
    if (ok <= 0)
        throw std::runtime_error(withOpenSslReason(what));
}

void addExtension(X509 *cert, int nid, const char *value)
{
    X509V3_CTX context;
    X509V3_set_ctx(&context, cert, cert, nullptr, nullptr, 0);
    X509ExtensionPtr extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value));
    check(extension != nullptr, "the certificate's extension cannot be made");
    check(X509_add_ext(cert, extension.get(), -1), "the certificate's extension cannot be added");
}

} // namespace

X509NamePtr parseSubject(const std::string &text)
{
    if (text.empty() || text[0] != '/')
        throw std::invalid_argument("the subject must start with '/', as in /CN=Name");
    X509NamePtr name(X509_NAME_new());
    size_t at = 1;
    while (at <= text.size()) {
        std::string attribute;
        bool escaped = false;
        for (; at < text.size() && (escaped || text[at] != '/'); ++at) {
            escaped = !escaped && text[at] == '\\';
            if (!escaped)
                attribute.push_back(text[at]);
        }
        ++at;
        const auto equals = attribute.find('=');
        if (equals == 0 || equals == std::string::npos || equals + 1 == attribute.size())
            throw std::invalid_argument("the subject's attribute \"" + attribute + "\" is not type=value");
        const std::string type = attribute.substr(0, equals), value = attribute.substr(equals + 1);
        if (!X509_NAME_add_entry_by_txt(name.get(), type.c_str(), MBSTRING_UTF8,
                                        reinterpret_cast<const unsigned char *>(value.c_str()), -1, -1, 0))
            throw std::invalid_argument(
                withOpenSslReason("the subject's attribute \"" + attribute + "\" is not valid"));
    }
    return name;
}

PKeyPtr generateGostKey(ENGINE *engine, KeyUse use)
{
    PKeyContextPtr context(EVP_PKEY_CTX_new_id(NID_id_GostR3410_2012_256, engine));
    check(context != nullptr, "the GOST engine cannot make GOST R 34.10-2012 keys");
    check(EVP_PKEY_keygen_init(context.get()), "the key cannot be generated");
    check(EVP_PKEY_CTX_ctrl_str(context.get(), "paramset", use == KeyUse::Exchange ? "XA" : "A"),
          "the key's parameter set is not known");
    EVP_PKEY *key = nullptr;
    check(EVP_PKEY_keygen(context.get(), &key), "the key cannot be generated");
    return PKeyPtr(key);
}

X509Ptr makeSelfSigned(EVP_PKEY *key, const X509_NAME *subject, long days, KeyUse use)
{
    X509Ptr cert(X509_new());
    check(cert != nullptr, "the certificate cannot be made");
    check(X509_set_version(cert.get(), 2), "the certificate's version cannot be set");

    unsigned char serial[16];
    check(RAND_bytes(serial, sizeof serial), "no random serial number");
    serial[0] &= 0x7F; // positive, as RFC 5280 asks
    serial[0] |= 0x40; // and of full length
    BigNumPtr number(BN_bin2bn(serial, sizeof serial, nullptr));
    check(number && BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(cert.get())),
          "the serial number cannot be set");

    check(X509_gmtime_adj(X509_getm_notBefore(cert.get()), 0) != nullptr, "the validity cannot be set");
    check(X509_time_adj_ex(X509_getm_notAfter(cert.get()), static_cast<int>(days), 0, nullptr) != nullptr,
          "the validity cannot be set");
    check(X509_set_subject_name(cert.get(), subject), "the subject cannot be set");
    check(X509_set_issuer_name(cert.get(), subject), "the issuer cannot be set");
    check(X509_set_pubkey(cert.get(), key), "the public key cannot be set");

    addExtension(cert.get(), NID_subject_key_identifier, "hash");
    addExtension(cert.get(), NID_key_usage,
                 use == KeyUse::Exchange ? "critical,digitalSignature,nonRepudiation,keyEncipherment,keyAgreement"
                                         : "critical,digitalSignature,nonRepudiation");

    const EVP_MD *digest = EVP_get_digestbynid(NID_id_GostR3411_2012_256);
    check(digest != nullptr, "the GOST engine has no GOST R 34.11-2012 digest");
    check(X509_sign(cert.get(), key, digest), "the certificate cannot be signed");
    return cert;
}

} // namespace keymedium
