// Calls every certificate service once (only when asked to), so that linking proves the
// services find all their Windows calls in the SDK's libraries.
#include "crypto/certformat.h"
#include "crypto/certificate.h"
#include "crypto/cryptexception.h"
#include "crypto/cryptoconfig.h"
#include "crypto/installselection.h"
#include "crypto/key.h"
#include "crypto/storecatalog.h"

#include <cstdio>

int main(int argc, char **)
{
    if (argc < 2)
        return 0;
    try {
        InstallSelection selection;
        crypto::CryptoProvider provider = selection.openProvider(2);
        crypto::CryptoKey key(provider, AT_KEYEXCHANGE);
        crypto::CryptoCertificate certificate(key);
        std::wstring text = provider.providerName() + provider.uniqueContainerName() + certificate.subjectName(3) +
                            certificate.issuerName(3) + certificate.notBefore() + certificate.notAfter() +
                            certificate.serialNumber() + certificate.sha1Hash() + certificate.keyIdentifier() +
                            certificate.keyContainerInfo() + certificate.simpleDisplayName();
        for (const auto &name : provider.enumContainers())
            text += name;
        for (const auto &entry : crypto::enumProviders())
            text += entry.name;
        boost::shared_ptr<crypto::CryptoStore> store(selection.openStore());
        store->add(certificate);
        store->commit();
        for (auto &found : store->enumerate())
            found.deleteFromStore();
        crypto::CryptoCertificate again(store->findByHash(crypto::hexToBytes(certificate.sha1Hash())));
        text += storeTitle(L"My") + storeNameByTitle(L"Личные") + readCryptoConfig(L"").name +
                crypto::extractField(text, L"CN=", L',');
        for (const auto &name : enumSystemStores())
            text += name;
        std::printf("%d\n", static_cast<int>(text.size() + crypto::openStore(L"My", false)->enumerate().size()));
    } catch (const crypto::CryptException &e) {
        std::fputws(e.message().c_str(), stderr);
        return 1;
    }
    return 0;
}
