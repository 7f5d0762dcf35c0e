#include "keyfiles.h"
#include "opensslerror.h"

#include "files/filereading.h"

#include <openssl/pem.h>

#include <stdexcept>

namespace keymedium {
namespace {

// Far larger than any certificate or key, with its PEM armour.
constexpr size_t kLargestKeyFile = size_t(1) << 20;

// The whole file; never waits on a FIFO or device, nor reads more than kLargestKeyFile.
std::string readFile(const std::string &path)
{
    std::vector<BYTE> data;
    if (platform::readWholeFile(path, data, kLargestKeyFile))
        return std::string(data.begin(), data.end());
    switch (GetLastError()) {
    case ERROR_NOT_SUPPORTED:
        throw std::runtime_error("cannot read " + path + ": it is no regular file");
    case ERROR_FILE_TOO_LARGE:
        throw std::runtime_error("cannot read " + path + ": it is larger than 1 MiB");
    default:
        throw std::runtime_error("cannot read " + path);
    }
}

BioPtr memoryOf(const std::string &data)
{
    BioPtr bio(BIO_new_mem_buf(data.data(), static_cast<int>(data.size())));
    if (!bio)
        throw std::runtime_error(withOpenSslReason("out of memory"));
    return bio;
}

// No passphrase prompt: an encrypted key fails to load.
int noPassphrase(char *, int, int, void *) { return -1; }

} // namespace

X509Ptr readCertificate(const std::string &path)
{
    const std::string data = readFile(path);
    X509Ptr cert(PEM_read_bio_X509(memoryOf(data).get(), nullptr, noPassphrase, nullptr));
    if (!cert) {
        ERR_clear_error();
        cert.reset(d2i_X509_bio(memoryOf(data).get(), nullptr));
    }
    if (!cert)
        throw std::runtime_error(withOpenSslReason(path + " holds no certificate in PEM or DER"));
    return cert;
}

PKeyPtr readPrivateKey(const std::string &path)
{
    const std::string data = readFile(path);
    PKeyPtr key(PEM_read_bio_PrivateKey(memoryOf(data).get(), nullptr, noPassphrase, nullptr));
    if (!key) {
        ERR_clear_error();
        key.reset(d2i_PrivateKey_bio(memoryOf(data).get(), nullptr));
    }
    if (!key)
        throw std::runtime_error(withOpenSslReason(path + " holds no unencrypted private key in PEM or DER"));
    return key;
}

void checkKeyMatches(X509 *cert, EVP_PKEY *key)
{
    if (X509_check_private_key(cert, key) != 1) {
        ERR_clear_error();
        throw std::runtime_error("the private key does not belong to the certificate");
    }
}

std::vector<unsigned char> derOf(X509 *cert)
{
    unsigned char *der = nullptr;
    const int size = i2d_X509(cert, &der);
    if (size <= 0)
        throw std::runtime_error(withOpenSslReason("the certificate cannot be encoded"));
    std::vector<unsigned char> out(der, der + size);
    OPENSSL_free(der);
    return out;
}

std::string pemOf(EVP_PKEY *key)
{
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || !PEM_write_bio_PKCS8PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr))
        throw std::runtime_error(withOpenSslReason("the private key cannot be encoded"));
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<size_t>(size));
}

} // namespace keymedium
