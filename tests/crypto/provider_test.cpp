// Providers, containers and keys as the installation window reaches them.
#include "crypto/certificate.h"
#include "crypto/cryptexception.h"
#include "crypto/installselection.h"
#include "crypto/key.h"

#include "keymedia.h"

#include <gtest/gtest.h>

using crypto::CryptException;
using keymediatest::KeyMedia;

namespace {

const std::wstring kGost = L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider";

InstallSelection selectionOf(const std::wstring &container)
{
    InstallSelection selection;
    selection.providerName = kGost;
    selection.providerType = 75;
    selection.containerName = container;
    return selection;
}

// The message of what `call` throws, or "" when it throws nothing.
template <class Call>
std::wstring thrownText(Call call)
{
    try {
        call();
    } catch (const CryptException &e) {
        return e.message();
    }
    return L"";
}

class Containers : public KeyMedia {};

int stubbornListings = 0; // container listings left that keep asking for a larger buffer

} // namespace

// The platform's CryptGetProvParam, wrapped at link time (see CMakeLists.txt).
extern "C" BOOL __real__Z17CryptGetProvParammjPhPjj(HCRYPTPROV, DWORD, BYTE *, DWORD *, DWORD);
extern "C" BOOL __wrap__Z17CryptGetProvParammjPhPjj(HCRYPTPROV provider, DWORD param, BYTE *data, DWORD *size,
                                                     DWORD flags)
{
    if (param != PP_ENUMCONTAINERS || !data || stubbornListings == 0)
        return __real__Z17CryptGetProvParammjPhPjj(provider, param, data, size, flags);
    --stubbornListings;
    SetLastError(ERROR_MORE_DATA); // and the size it was given, again
    return FALSE;
}

TEST_F(Containers, ProvidersAreListedWithTheirTypes)
{
    const auto providers = crypto::enumProviders();
    ASSERT_EQ(providers.size(), 1u);
    EXPECT_EQ(providers[0].name, kGost);
    EXPECT_EQ(providers[0].type, 75u);

    writeProviderConfig("[Token Provider]\ntype = 80\n\n[Другой провайдер]\ntype = 1\n");
    const auto configured = crypto::enumProviders();
    ASSERT_EQ(configured.size(), 3u);
    EXPECT_EQ(configured[1].name, L"Token Provider");
    EXPECT_EQ(configured[1].type, 80u);
    EXPECT_EQ(configured[2].name, L"Другой провайдер");
    EXPECT_EQ(configured[2].type, 1u);
}

TEST_F(Containers, NoMediumMeansAnEmptyListNotAnError)
{
    const crypto::CryptoProvider provider = selectionOf(L"").openProvider(1);
    EXPECT_TRUE(provider.enumContainers().empty());
}

TEST_F(Containers, NamesOfAnyLengthAreListedAndSoAreTheOnesAfterThem)
{
    const std::wstring longName(60, L'ж'); // 120 bytes in UTF-8
    keymediatest::createContainer(localKeys(), "a-first");
    keymediatest::createContainer(localKeys(), keymediatest::utf8(longName));
    keymediatest::createContainer(medium("STICK"), "z-on-the-stick");
    const crypto::CryptoProvider provider = selectionOf(L"").openProvider(1);
    EXPECT_EQ(provider.enumContainers(), (std::vector<std::wstring>{L"a-first", longName, L"z-on-the-stick"}));
}

TEST_F(Containers, AProviderThatAlwaysWantsALargerBufferEndsTheListingWithItsError)
{
    keymediatest::createContainer(localKeys(), "a-first");
    const crypto::CryptoProvider provider = selectionOf(L"").openProvider(1);
    stubbornListings = 100; // more than a few rounds of growing the buffer
    EXPECT_EQ(thrownText([&] { provider.enumContainers(); }), crypto::systemErrorText(ERROR_MORE_DATA));
    stubbornListings = 0;
}

TEST_F(Containers, TheSearchModeNeverOpensTheChosenContainer)
{
    keymediatest::createContainer(localKeys(), "chosen");
    const std::wstring bad = crypto::systemErrorText(keymediatest::code(NTE_BAD_KEYSET));
    const crypto::CryptoProvider search = selectionOf(L"chosen").openProvider(1);
    EXPECT_EQ(thrownText([&] { search.uniqueContainerName(); }), bad);
    const crypto::CryptoProvider none = selectionOf(L"").openProvider(2);
    EXPECT_EQ(thrownText([&] { none.uniqueContainerName(); }), bad);
    const crypto::CryptoProvider chosen = selectionOf(L"chosen").openProvider(2);
    EXPECT_EQ(chosen.uniqueContainerName(), L"\\\\.\\LOCAL\\chosen");
}

TEST_F(Containers, TheReadersGiveNameUniqueNameAndType)
{
    keymediatest::createContainer(localKeys(), "Контейнер");
    const crypto::CryptoProvider provider = selectionOf(L"Контейнер").openProvider(2);
    EXPECT_EQ(provider.providerName(), kGost);
    EXPECT_EQ(provider.providerType(), 75u);
    const std::wstring unique = provider.uniqueContainerName();
    EXPECT_NE(unique, L"Контейнер");
    // The unique name, as a key link keeps it, leads back to the same container.
    const crypto::CryptoProvider again(kGost, unique, 75, 0);
    EXPECT_EQ(again.uniqueContainerName(), unique);
}

TEST_F(Containers, TheCertificateOfTheExchangeKeyIsReadInFull)
{
    keymediatest::keymedium({"import", "--key-folder", localKeys(), "--name", "large", "--certificate",
                             std::string(TEST_DATA_DIR) + "/large.der"});
    const crypto::CryptoProvider provider = selectionOf(L"large").openProvider(2);
    const crypto::CryptoKey key(provider, AT_KEYEXCHANGE);
    const crypto::CryptoCertificate certificate(key);
    ASSERT_FALSE(certificate.empty());
    EXPECT_EQ(certificate.context()->cbCertEncoded,
              keymediatest::fileBytes(std::string(TEST_DATA_DIR) + "/large.der").size());
    EXPECT_GT(certificate.context()->cbCertEncoded, 2000u);
}

TEST_F(Containers, AMissingKeyOrContainerThrowsTheSystemText)
{
    keymediatest::createContainer(localKeys(), "signing", "/CN=Signing", {"--key", "signature"});
    const crypto::CryptoProvider provider = selectionOf(L"signing").openProvider(2);
    EXPECT_EQ(thrownText([&] { crypto::CryptoKey key(provider, AT_KEYEXCHANGE); }),
              crypto::systemErrorText(keymediatest::code(NTE_NO_KEY)));

    keymediatest::createContainer(medium("STICK"), "on-stick");
    removeMedium("STICK"); // pulled out after the list was shown
    EXPECT_EQ(thrownText([&] { selectionOf(L"on-stick").openProvider(2); }),
              crypto::systemErrorText(keymediatest::code(NTE_BAD_KEYSET)));
}

TEST_F(Containers, AnUnknownProviderOrAWrongTypeThrows)
{
    InstallSelection unknown = selectionOf(L"");
    unknown.providerName = L"No Such Provider";
    EXPECT_EQ(thrownText([&] { unknown.openProvider(1); }),
              crypto::systemErrorText(keymediatest::code(NTE_KEYSET_NOT_DEF)));
    InstallSelection wrongType = selectionOf(L"");
    wrongType.providerType = 1;
    EXPECT_EQ(thrownText([&] { wrongType.openProvider(1); }),
              crypto::systemErrorText(keymediatest::code(NTE_PROV_TYPE_NO_MATCH)));
}
