// Writes the benchmarks' data: a store file of N distinct certificates and the same
// certificates as one PEM bundle (none for "-"); or, with --inputs, the hostile files that
// bench_inputs reads into a folder.
//   bench_makedata STORE.sst BUNDLE.pem|- [N]
//   bench_makedata --inputs FOLDER
#include <wincrypt.h>

#include "certfactory.h"

#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using testsupport::Bytes;

constexpr unsigned kCopies = 80000, kTinyBlocks = 200000, kCrCertificates = 20000;

bool writeFile(const std::string &path, const std::string &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    const bool written = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return (f && std::fclose(f) == 0) && written;
}

std::string text(const Bytes &bytes) { return std::string(bytes.begin(), bytes.end()); }

X509 *x509Of(const Bytes &der)
{
    const unsigned char *p = der.data();
    return d2i_X509(nullptr, &p, static_cast<long>(der.size()));
}

std::string pem(const Bytes &der)
{
    X509 *x = x509Of(der);
    BIO *bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, x);
    char *data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    std::string out(data, static_cast<size_t>(size));
    BIO_free(bio);
    X509_free(x);
    return out;
}

// A PKCS #7 message carrying `copies` copies of one certificate.
std::string manyCopiesMessage(const Bytes &der, unsigned copies)
{
    PKCS7 *message = PKCS7_new();
    PKCS7_set_type(message, NID_pkcs7_signed);
    PKCS7_content_new(message, NID_pkcs7_data);
    X509 *x = x509Of(der);
    for (unsigned i = 0; i < copies; ++i)
        PKCS7_add_certificate(message, x);
    X509_free(x);
    unsigned char *out = nullptr;
    const int size = i2d_PKCS7(message, &out);
    std::string bytes(reinterpret_cast<char *>(out), static_cast<size_t>(size > 0 ? size : 0));
    OPENSSL_free(out);
    PKCS7_free(message);
    return bytes;
}

// A store file of `copies` copies of one certificate, as the serialized format lays it out.
std::string manyCopiesStore(const Bytes &der, unsigned copies)
{
    Bytes element;
    testsupport::appendDword(element, 32);
    testsupport::appendDword(element, X509_ASN_ENCODING);
    testsupport::appendDword(element, static_cast<std::uint32_t>(der.size()));
    element.insert(element.end(), der.begin(), der.end());
    std::string out("\0\0\0\0CERT", 8);
    out.reserve(out.size() + element.size() * copies + 12);
    for (unsigned i = 0; i < copies; ++i)
        out += text(element);
    return out + std::string(12, '\0');
}

int writeInputs(const std::string &folder)
{
    const Bytes der = testsupport::makeNumberedCertificate(1);
    std::string blocks;
    for (unsigned i = 0; i < kTinyBlocks; ++i)
        blocks += "-----BEGIN K-----AA==-----END K-----";
    std::string carriageReturns;
    for (unsigned i = 0; i < kCrCertificates; ++i)
        for (char c : pem(testsupport::makeNumberedCertificate(i)))
            carriageReturns += c == '\n' ? '\r' : c;
    const bool written = writeFile(folder + "/copies.p7b", manyCopiesMessage(der, kCopies)) &&
                         writeFile(folder + "/copies.sst", manyCopiesStore(der, kCopies)) &&
                         writeFile(folder + "/oneline.pem", blocks + pem(der)) &&
                         writeFile(folder + "/cr.pem", carriageReturns);
    if (!written)
        std::fprintf(stderr, "cannot write into %s\n", folder.c_str());
    return written ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::string(argv[1]) == "--inputs")
        return writeInputs(argv[2]);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s STORE.sst BUNDLE.pem [COUNT]\n", argv[0]);
        return 2;
    }
    const unsigned count = argc > 3 ? static_cast<unsigned>(std::strtoul(argv[3], nullptr, 10)) : 10000;
    const std::string storePath = argv[1];
    std::remove(storePath.c_str());
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_FILENAME_W, X509_ASN_ENCODING, 0, CERT_FILE_STORE_COMMIT_ENABLE_FLAG,
                                     std::wstring(storePath.begin(), storePath.end()).c_str());
    const bool withBundle = std::string(argv[2]) != "-";
    FILE *bundle = withBundle ? std::fopen(argv[2], "wb") : nullptr;
    if (!store || (withBundle && !bundle)) {
        std::fprintf(stderr, "cannot write %s or %s\n", argv[1], argv[2]);
        return 1;
    }
    for (unsigned i = 0; i < count; ++i) {
        const testsupport::Bytes der = testsupport::makeNumberedCertificate(i);
        PCCERT_CONTEXT c = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
        CertAddCertificateContextToStore(store, c, CERT_STORE_ADD_ALWAYS, nullptr);
        CertFreeCertificateContext(c);
        if (!bundle)
            continue;
        const unsigned char *p = der.data();
        X509 *x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
        PEM_write_X509(bundle, x);
        X509_free(x);
    }
    if (bundle)
        std::fclose(bundle);
    return CertCloseStore(store, 0) ? 0 : 1;
}
