// A store file's bytes: opened as a store, then every certificate listed, serialized again
// and shown with all its texts (the key link read from the file included).
#include "certtexts.h"
#include "stores/store.h"

#include <wincrypt.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    auto *store = new platform::Store(platform::Store::Kind::Memory);
    store->open();
    if (store->load(platform::Bytes(data, data + size))) {
        for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(store, nullptr); c;
             c = CertEnumCertificatesInStore(store, c)) {
            showAllTexts(crypto::CryptoCertificate::share(c));
            DWORD length = 0;
            if (CertSerializeCertificateStoreElement(c, 0, nullptr, &length)) {
                platform::Bytes element(length);
                CertSerializeCertificateStoreElement(c, 0, element.data(), &length);
            }
        }
    }
    CertCloseStore(store, 0);
    // The same bytes as one serialized element.
    const void *context = nullptr;
    if (CertAddSerializedElementToStore(nullptr, data, static_cast<DWORD>(size), CERT_STORE_ADD_ALWAYS, 0,
                                        CERT_STORE_CERTIFICATE_CONTEXT_FLAG, nullptr, &context)) {
        showAllTexts(crypto::CryptoCertificate::adopt(static_cast<PCCERT_CONTEXT>(context)));
    }
    return 0;
}
