// Writes the benchmarks' data: a store file of N distinct certificates and the same
// certificates as one PEM bundle (none for "-").
//   bench_makedata STORE.sst BUNDLE.pem|- [N]
#include <wincrypt.h>

#include "certfactory.h"

#include <openssl/pem.h>
#include <openssl/x509.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv)
{
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
