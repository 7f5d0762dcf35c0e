// Store names and their Russian titles, both ways.
#include "crypto/storecatalog.h"

#include "tempdir.h"

#include <windows.h>
#include <wincrypt.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

TEST(StoreCatalogue, TitlesAreFoundWithoutRegardToCase)
{
    EXPECT_EQ(storeTitle(L"My"), L"Личные");
    EXPECT_EQ(storeTitle(L"MY"), L"Личные");
    EXPECT_EQ(storeTitle(L"my"), L"Личные");
    EXPECT_EQ(storeTitle(L"Root"), L"Доверенные корневые центры сертификации");
}

TEST(StoreCatalogue, ANameThatIsAPrefixOfAnotherKeepsItsOwnTitle)
{
    EXPECT_EQ(storeTitle(L"Trust"), L"Доверительные отношения в предприятии");
    EXPECT_EQ(storeTitle(L"TrustedPeople"), L"Доверенные лица");
    EXPECT_EQ(storeTitle(L"TrustedPublisher"), L"Доверенные издатели");
}

TEST(StoreCatalogue, UnknownNamesAndTextsComeBackUnchanged)
{
    EXPECT_EQ(storeTitle(L"Partners"), L"Partners");
    EXPECT_EQ(storeNameByTitle(L"Partners"), L"Partners");
    EXPECT_EQ(storeNameByTitle(L""), L"");
}

TEST(StoreCatalogue, TitlesLeadBackToTheirNames)
{
    EXPECT_EQ(storeNameByTitle(L"Доверенные лица"), L"TrustedPeople");
    EXPECT_EQ(storeNameByTitle(L"Личные"), L"My");
    EXPECT_EQ(storeNameByTitle(L"Запросы заявок на сертификат"), L"REQUEST");
    for (const wchar_t *name : {L"My", L"Root", L"Trust", L"CA", L"UserDS", L"Disallowed", L"AuthRoot",
                                L"TrustedPeople", L"AddressBook", L"TrustedPublisher", L"REQUEST",
                                L"ClientAuthIssuer", L"SmartCardRoot"}) {
        EXPECT_NE(storeTitle(name), name) << "every store the menu lists has a Russian title";
        EXPECT_EQ(storeNameByTitle(storeTitle(name)), name);
    }
}

TEST(StoreCatalogue, SystemStoresAreListedInThePlatformsOrder)
{
    testsupport::TempDir home;
    setenv("CERTINSTALL_HOME", home.path().string().c_str(), 1);
#ifdef _WIN32
    // A Windows user has My and Root from the start, a new Wine prefix once they are opened.
    for (const wchar_t *name : {L"My", L"Root"})
        CertCloseStore(CertOpenSystemStoreW(0, name), 0);
#endif
    CertCloseStore(CertOpenSystemStoreW(0, L"Мои"), 0);
    const std::vector<std::wstring> names = enumSystemStores();
    unsetenv("CERTINSTALL_HOME");
#ifdef _WIN32
    // Which stores a Windows user has, and their order, is the system's: each is listed once.
    for (const wchar_t *name : {L"My", L"Root", L"Мои"})
        EXPECT_EQ(std::count(names.begin(), names.end(), name), 1);
#else
    ASSERT_EQ(names.size(), 14u);
    EXPECT_EQ(names.front(), L"My");
    EXPECT_EQ(names[1], L"Root");
    EXPECT_EQ(names.back(), L"Мои");
#endif
}
