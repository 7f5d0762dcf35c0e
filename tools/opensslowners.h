// Owners of the OpenSSL objects the tool makes.
#pragma once

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

namespace keymedium {

struct OpenSslFree {
    void operator()(X509 *p) const { X509_free(p); }
    void operator()(X509_NAME *p) const { X509_NAME_free(p); }
    void operator()(X509_EXTENSION *p) const { X509_EXTENSION_free(p); }
    void operator()(EVP_PKEY *p) const { EVP_PKEY_free(p); }
    void operator()(EVP_PKEY_CTX *p) const { EVP_PKEY_CTX_free(p); }
    void operator()(BIO *p) const { BIO_free(p); }
    void operator()(BIGNUM *p) const { BN_free(p); }
};

using X509Ptr = std::unique_ptr<X509, OpenSslFree>;
using X509NamePtr = std::unique_ptr<X509_NAME, OpenSslFree>;
using X509ExtensionPtr = std::unique_ptr<X509_EXTENSION, OpenSslFree>;
using PKeyPtr = std::unique_ptr<EVP_PKEY, OpenSslFree>;
using PKeyContextPtr = std::unique_ptr<EVP_PKEY_CTX, OpenSslFree>;
using BioPtr = std::unique_ptr<BIO, OpenSslFree>;
using BigNumPtr = std::unique_ptr<BIGNUM, OpenSslFree>;

} // namespace keymedium
