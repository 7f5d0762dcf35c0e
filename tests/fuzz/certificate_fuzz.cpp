// Certificate DER: parsed, then shown with every text the record derives from it.
#include "certtexts.h"

#include <wincrypt.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING, data, static_cast<DWORD>(size));
    if (!context)
        return 0;
    const crypto::CryptoCertificate certificate = crypto::CryptoCertificate::adopt(context);
    showAllTexts(certificate);
    for (DWORD type = CERT_NAME_EMAIL_TYPE; type <= CERT_NAME_UPN_TYPE; ++type) {
        DWORD strType = CERT_X500_NAME_STR;
        wchar_t text[64];
        CertGetNameStringW(certificate.context(), type, 0, type == CERT_NAME_ATTR_TYPE ? (void *)"2.5.4.3" : &strType,
                           text, 64);
    }
    return 0;
}
