#include "crypto/installselection.h"

crypto::CryptoProvider InstallSelection::openProvider(int mode) const
{
    if (!containerName.empty() && mode != 1)
        return crypto::CryptoProvider(providerName, containerName, providerType, 0);
    return crypto::CryptoProvider(providerType, providerName, CRYPT_VERIFYCONTEXT);
}

crypto::CryptoStore *InstallSelection::openStore() const
{
    if (storeIsFile)
        return new crypto::SerializedStore(storeName);
    return new crypto::CryptoStore(nullptr, storeName);
}

void InstallSelection::setStoreName(const std::wstring &name) { storeName = name; }
