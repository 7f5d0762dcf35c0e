// The installation window's record of the user's choice: provider, container, target store.
#pragma once

#include "crypto/certificate.h"
#include "crypto/provider.h"
#include "crypto/store.h"

#include <string>

struct InstallSelection {
    std::wstring providerName;
    std::wstring containerName;
    std::wstring storeName; // a system store name, or the store file's path when storeIsFile
    DWORD providerType = 0;
    bool storeIsFile = false;

    // Mode 1 (the container search) always opens a context without a container; mode 2
    // opens the chosen container when there is one.
    crypto::CryptoProvider openProvider(int mode) const;
    // The chosen store, as crypto::openStore opens it.
    boost::shared_ptr<crypto::CryptoStore> openStore() const;
    void setStoreName(const std::wstring &name);
};

namespace crypto {

// The certificate kept with the exchange key of the provider's container, linked to that
// container as the provider names it uniquely, so that once installed it finds its key even
// where the listed name would be ambiguous; throws when the key or its certificate is missing.
CryptoCertificate linkedCertificate(const CryptoProvider &provider);

} // namespace crypto
