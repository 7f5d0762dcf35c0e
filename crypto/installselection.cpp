#include "crypto/installselection.h"

#include "crypto/key.h"

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

crypto::CryptoCertificate crypto::linkedCertificate(const CryptoProvider &provider)
{
    // The key goes once its certificate is read.
    CryptoCertificate certificate{CryptoKey(provider, AT_KEYEXCHANGE)};
    std::wstring providerName = provider.providerName();
    std::wstring containerName = provider.uniqueContainerName();
    CRYPT_KEY_PROV_INFO keyLink{};
    keyLink.pwszContainerName = &containerName[0];
    keyLink.pwszProvName = &providerName[0];
    keyLink.dwProvType = provider.providerType();
    keyLink.dwKeySpec = AT_KEYEXCHANGE;
    certificate.setProperty(&keyLink, CERT_KEY_PROV_INFO_PROP_ID, 0);
    return certificate;
}
