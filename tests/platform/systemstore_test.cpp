// The current user's system stores: names, listing, and changes written at once.
#include "storehelpers.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

using namespace storetest;
using testsupport::TempDir;

namespace {

class SystemStores : public ::testing::Test {
protected:
    void SetUp() override { setenv("CERTINSTALL_HOME", home.path().c_str(), 1); }
    void TearDown() override { unsetenv("CERTINSTALL_HOME"); }

    std::string storeFile(const std::string &name) const { return home.file("stores/" + name + ".sst"); }

    // The certificates the file itself holds, read through a store file opened on it.
    std::vector<Bytes> inFile(const std::string &name) const
    {
        StoreHandle store = openFile(storeFile(name), CERT_STORE_READONLY_FLAG);
        return store ? encodings(store.get()) : std::vector<Bytes>{};
    }

    TempDir home;
};

StoreHandle openSystem(const wchar_t *name) { return StoreHandle(CertOpenSystemStoreW(0, name)); }

BOOL WINAPI collect(const void *store, DWORD flags, PCERT_SYSTEM_STORE_INFO info, void *, void *arg)
{
    EXPECT_EQ(flags & CERT_SYSTEM_STORE_LOCATION_MASK, static_cast<DWORD>(CERT_SYSTEM_STORE_CURRENT_USER));
    EXPECT_EQ(info->cbSize, sizeof(CERT_SYSTEM_STORE_INFO));
    static_cast<std::vector<std::wstring> *>(arg)->push_back(static_cast<const wchar_t *>(store));
    return TRUE;
}

void add(HCERTSTORE store, const Bytes &der)
{
    Context c = create(der);
    ASSERT_TRUE(CertAddCertificateContextToStore(store, c.get(), CERT_STORE_ADD_ALWAYS, nullptr))
        << std::hex << GetLastError();
}

} // namespace

TEST_F(SystemStores, NamesCompareWithoutRegardToCase)
{
    const Bytes der = testsupport::makeNumberedCertificate(1);
    {
        StoreHandle store = openSystem(L"MY");
        ASSERT_TRUE(store);
        add(store.get(), der);
    }
    StoreHandle again = openSystem(L"my");
    EXPECT_EQ(encodings(again.get()), std::vector<Bytes>{der});
    EXPECT_EQ(inFile("My"), std::vector<Bytes>{der});

    {
        StoreHandle own = openSystem(L"Рабочие");
        add(own.get(), der);
    }
    StoreHandle ownAgain = openSystem(L"РАБОЧИЕ");
    EXPECT_EQ(encodings(ownAgain.get()).size(), 1u);
}

TEST_F(SystemStores, AreListedPredefinedFirstThenTheOthers)
{
    StoreHandle zeta = openSystem(L"Zeta"), alpha = openSystem(L"Alpha"), root = openSystem(L"ROOT");
    std::vector<std::wstring> names;
    ASSERT_TRUE(CertEnumSystemStore(CERT_SYSTEM_STORE_CURRENT_USER, nullptr, &names, collect));
    const std::vector<std::wstring> expected = {
        L"My",           L"Root",          L"Trust",      L"CA",          L"UserDS",
        L"TrustedPublisher", L"Disallowed", L"AuthRoot", L"TrustedPeople", L"ClientAuthIssuer",
        L"SmartCardRoot", L"AddressBook",  L"REQUEST",    L"Alpha",       L"Zeta"};
    EXPECT_EQ(names, expected);
}

TEST_F(SystemStores, EveryChangeIsInTheFileAtOnce)
{
    StoreHandle store = openSystem(L"My");
    const Bytes a = testsupport::makeNumberedCertificate(2), b = testsupport::makeNumberedCertificate(3);
    add(store.get(), a);
    add(store.get(), b);
    EXPECT_EQ(inFile("My"), (std::vector<Bytes>{a, b}));

    Context found = findByHash(store.get(), testsupport::sha1Of(a));
    ASSERT_TRUE(CertDeleteCertificateFromStore(found.release()));
    EXPECT_EQ(inFile("My"), std::vector<Bytes>{b});

    Context other = findByHash(store.get(), testsupport::sha1Of(b));
    BYTE name[] = {'x', 0, 0, 0};
    CRYPT_DATA_BLOB blob{sizeof name, name};
    ASSERT_TRUE(CertSetCertificateContextProperty(other.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &blob));
    StoreHandle reader = openSystem(L"My");
    Context reread = findByHash(reader.get(), testsupport::sha1Of(b));
    EXPECT_EQ(propertyOf(reread.get(), CERT_FRIENDLY_NAME_PROP_ID), Bytes(name, name + sizeof name));
}

TEST_F(SystemStores, TwoHandlesKeepEachOthersChanges)
{
    StoreHandle first = openSystem(L"My"), second = openSystem(L"My");
    const Bytes a = testsupport::makeNumberedCertificate(4), b = testsupport::makeNumberedCertificate(5);
    add(first.get(), a);
    add(second.get(), b);
    EXPECT_EQ(inFile("My"), (std::vector<Bytes>{a, b}));

    // The second handle never saw `a`, but the file has it: adding it as new is refused.
    Context again = create(a);
    EXPECT_FALSE(CertAddCertificateContextToStore(second.get(), again.get(), CERT_STORE_ADD_NEW, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_EXISTS));
}

TEST_F(SystemStores, TwoProcessesWritingAtOnceLoseNothing)
{
    constexpr int kEach = 500;
    std::vector<Bytes> ders;
    for (int i = 0; i < 2 * kEach; ++i)
        ders.push_back(testsupport::makeNumberedCertificate(100 + static_cast<unsigned>(i)));
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            HCERTSTORE store = CertOpenSystemStoreW(0, L"My");
            int failures = store ? 0 : 1;
            for (int i = 0; store && i < kEach; ++i) {
                const Bytes &der = ders[static_cast<size_t>(child * kEach + i)];
                PCCERT_CONTEXT c = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(),
                                                                static_cast<DWORD>(der.size()));
                failures += !CertAddCertificateContextToStore(store, c, CERT_STORE_ADD_ALWAYS, nullptr);
                CertFreeCertificateContext(c);
            }
            CertCloseStore(store, 0);
            _exit(failures);
        }
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<Bytes> stored = inFile("My");
    EXPECT_EQ(stored.size(), ders.size());
    for (const Bytes &der : ders)
        EXPECT_NE(std::find(stored.begin(), stored.end(), der), stored.end());
}

TEST_F(SystemStores, NamesThatLeaveTheStoreFolderAreRefused)
{
    for (const wchar_t *name : {L"../outside", L"a/b", L"", L"..", L"a\\b"}) {
        EXPECT_FALSE(openSystem(name)) << std::wstring(name).size();
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    }
    EXPECT_FALSE(std::filesystem::exists(home.path() / "outside.sst"));
    EXPECT_FALSE(CertOpenSystemStoreW(0, nullptr));
}

TEST_F(SystemStores, ADamagedStoreFailsToOpenAndIsLeftAlone)
{
    { StoreHandle create = openSystem(L"My"); }
    const Bytes damaged{0, 0, 0, 0, 'C', 'E', 'R', 'X'};
    testsupport::writeFile(storeFile("My"), damaged);
    EXPECT_FALSE(openSystem(L"My"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_CORRUPT));
    EXPECT_EQ(testsupport::readFile(storeFile("My")), damaged);
}

TEST_F(SystemStores, AReinstallKeepsOneCopyWithTheLatestKeyLink)
{
    const Bytes der = testsupport::makeNumberedCertificate(6);
    StoreHandle store = openSystem(L"My");
    for (const wchar_t *container : {L"\\\\.\\HDIMAGE\\старый", L"\\\\.\\HDIMAGE\\контейнер"}) {
        Context c = create(der);
        CRYPT_KEY_PROV_INFO info{};
        info.pwszContainerName = const_cast<wchar_t *>(container);
        info.pwszProvName = const_cast<wchar_t *>(L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider");
        info.dwProvType = 75;
        info.dwKeySpec = AT_KEYEXCHANGE;
        ASSERT_TRUE(CertSetCertificateContextProperty(c.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
        ASSERT_TRUE(CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_ALWAYS, nullptr));
    }
    EXPECT_EQ(encodings(store.get()), std::vector<Bytes>{der});
    EXPECT_EQ(inFile("My"), std::vector<Bytes>{der});
    StoreHandle reread = openSystem(L"My");
    Context found = findByHash(reread.get(), testsupport::sha1Of(der));
    Bytes link = propertyOf(found.get(), CERT_KEY_PROV_INFO_PROP_ID);
    ASSERT_FALSE(link.empty());
    auto *info = reinterpret_cast<const CRYPT_KEY_PROV_INFO *>(link.data());
    EXPECT_STREQ(info->pwszContainerName, L"\\\\.\\HDIMAGE\\контейнер");
    EXPECT_EQ(info->dwProvType, 75u);
}

TEST_F(SystemStores, DuplicatesInAnOlderFileReadAsOneAndAreDroppedAtTheNextWrite)
{
    const Bytes der = testsupport::makeNumberedCertificate(7), other = testsupport::makeNumberedCertificate(8);
    std::filesystem::create_directories(home.file("stores"));
    {
        StoreHandle file = openFile(storeFile("My"));
        add(file.get(), der);
        add(file.get(), der);
    }
    ASSERT_EQ(inFile("My").size(), 2u);
    StoreHandle store = openSystem(L"My");
    EXPECT_EQ(encodings(store.get()), std::vector<Bytes>{der});
    add(store.get(), other);
    EXPECT_EQ(inFile("My"), (std::vector<Bytes>{der, other}));
}
