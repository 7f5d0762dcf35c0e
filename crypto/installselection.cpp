#include "crypto/installselection.h"

crypto::CryptoProvider InstallSelection::openProvider(int mode) const
{
    if (!containerName.empty() && mode != 1)
        return crypto::CryptoProvider(providerName, containerName, providerType, 0);
    return crypto::CryptoProvider(providerType, providerName, CRYPT_VERIFYCONTEXT);
}

boost::shared_ptr<crypto::CryptoStore> InstallSelection::openStore() const
{
    return crypto::openStore(storeName, storeIsFile);
}

void InstallSelection::setStoreName(const std::wstring &name) { storeName = name; }
