// Stores as the windows use them: add, find, list, delete, and store files written back.
#include "crypto/certformat.h"
#include "crypto/cryptexception.h"
#include "crypto/store.h"

#include "certfactory.h"
#include "tempdir.h"
#include "wine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using crypto::CryptoCertificate;
using testsupport::TempDir;

namespace {

CryptoCertificate certificateOf(const std::vector<BYTE> &der)
{
    PCCERT_CONTEXT context =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    return CryptoCertificate::adopt(context);
}

void linkToContainer(CryptoCertificate &certificate, const wchar_t *container)
{
    CRYPT_KEY_PROV_INFO info{};
    info.pwszContainerName = const_cast<wchar_t *>(container);
    info.pwszProvName = const_cast<wchar_t *>(L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider");
    info.dwProvType = 75;
    info.dwKeySpec = AT_KEYEXCHANGE;
    certificate.setProperty(&info, CERT_KEY_PROV_INFO_PROP_ID, 0);
}

std::vector<std::wstring> hashesIn(const crypto::CryptoStore &store)
{
    std::vector<std::wstring> hashes;
    for (const CryptoCertificate &c : store.enumerate())
        hashes.push_back(c.sha1Hash());
    return hashes;
}

class Stores : public ::testing::Test {
protected:
    void SetUp() override { setenv("CERTINSTALL_HOME", home.path().string().c_str(), 1); }
    void TearDown() override
    {
        unsetenv("CERTINSTALL_HOME");
#ifdef _WIN32
        // The system stores are the user's own there: take out what the tests put in. (Wine 8
        // reports such deletes done but keeps the certificates in the registry for the next
        // process: winecheck.sh gives each test program a new Wine prefix.)
        for (const wchar_t *name : {L"My", L"Root"}) {
            const auto store = crypto::openStore(name, false);
            for (CryptoCertificate &c : store->enumerate())
                if (c.simpleDisplayName().rfind(L"Certificate ", 0) == 0)
                    c.deleteFromStore();
        }
#endif
    }
    std::wstring file(const char *name) const
    {
        const std::string path = home.file(name);
        return std::wstring(path.begin(), path.end());
    }
    TempDir home;
};

} // namespace

TEST_F(Stores, AnEmptyStoreListsNothing)
{
    auto store = crypto::openStore(L"My", false);
    EXPECT_TRUE(store->enumerate().empty());
    auto fileStore = crypto::openStore(file("empty.sst"), true);
    EXPECT_TRUE(fileStore->enumerate().empty());
}

TEST_F(Stores, CertificatesAreFoundAgainByTheirHashText)
{
    auto store = crypto::openStore(L"My", false);
    const CryptoCertificate a = certificateOf(testsupport::makeNumberedCertificate(1));
    const CryptoCertificate b = certificateOf(testsupport::makeNumberedCertificate(2));
    store->add(a);
    store->add(b);
    std::vector<std::wstring> hashes = hashesIn(*store), added{a.sha1Hash(), b.sha1Hash()};
#ifdef _WIN32
    // The order of a system store is the system's there.
    std::sort(hashes.begin(), hashes.end());
    std::sort(added.begin(), added.end());
#endif
    EXPECT_EQ(hashes, added);

    const CryptoCertificate found = store->findByHash(crypto::hexToBytes(b.sha1Hash()));
    EXPECT_EQ(found.sha1Hash(), b.sha1Hash());
}

TEST_F(Stores, AMissingHashThrowsItsSentenceAndTheSystemText)
{
    auto store = crypto::openStore(L"My", false);
    try {
        store->findByHash(std::vector<BYTE>(20, 0x11));
        FAIL() << "no exception";
    } catch (const crypto::CryptException &e) {
        const std::wstring sentence = L"Для указанного хеша сертификат не найден\n";
        ASSERT_EQ(e.message().compare(0, sentence.size(), sentence), 0);
        EXPECT_EQ(e.message().substr(sentence.size()),
                  crypto::systemErrorText(static_cast<DWORD>(CRYPT_E_NOT_FOUND)));
        EXPECT_EQ(e.code(), static_cast<int>(CRYPT_E_NOT_FOUND));
    }
}

TEST_F(Stores, DeletingAFoundCertificateRemovesItAndEmptiesTheRecord)
{
    auto store = crypto::openStore(L"Root", false);
    const CryptoCertificate a = certificateOf(testsupport::makeNumberedCertificate(3));
    store->add(a);
    CryptoCertificate found = store->findByHash(crypto::hexToBytes(a.sha1Hash()));
    EXPECT_TRUE(found.deleteFromStore());
    EXPECT_TRUE(found.empty());
    // Other roots may be there: the system's own.
    const auto gone = [&](const crypto::CryptoStore &s) {
        const std::vector<std::wstring> hashes = hashesIn(s);
        return std::find(hashes.begin(), hashes.end(), a.sha1Hash()) == hashes.end();
    };
    EXPECT_TRUE(gone(*store));
    EXPECT_TRUE(gone(*crypto::openStore(L"ROOT", false)));
}

TEST_F(Stores, AStoreFileHoldsWhatWasAddedOnceTheLastReferenceGoes)
{
    const std::vector<BYTE> der = testsupport::makeNumberedCertificate(4);
    CryptoCertificate certificate = certificateOf(der);
    linkToContainer(certificate, L"Контейнер");
    {
        auto store = crypto::openStore(file("s.sst"), true);
        auto second = store; // a second page holding the same store
        store->add(certificate);
        store.reset();
#ifndef _WIN32
        // Windows keeps the file open for the store that will write it: no second store
        // opens it meanwhile.
        EXPECT_TRUE(crypto::openStore(file("s.sst"), true)->enumerate().empty());
#endif
    }
    if (testsupport::runningUnderWine())
        GTEST_SKIP() << testsupport::kWineReadsStoreFilesAsEmpty;
    auto reopened = crypto::openStore(file("s.sst"), true);
    const auto certificates = reopened->enumerate();
    ASSERT_EQ(certificates.size(), 1u);
    EXPECT_EQ(certificates[0].keyContainerInfo(),
              L"Контейнер - Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider");
}

TEST_F(Stores, AddingAnEqualCertificateToAStoreFileReplacesItWithItsProperties)
{
    const std::vector<BYTE> der = testsupport::makeNumberedCertificate(5);
    {
        auto store = crypto::openStore(file("s.sst"), true);
        CryptoCertificate first = certificateOf(der);
        linkToContainer(first, L"old");
        store->add(first);
        CryptoCertificate second = certificateOf(der);
        linkToContainer(second, L"new");
        store->add(second);
    }
    if (testsupport::runningUnderWine())
        GTEST_SKIP() << testsupport::kWineReadsStoreFilesAsEmpty;
    const auto certificates = crypto::openStore(file("s.sst"), true)->enumerate();
    ASSERT_EQ(certificates.size(), 1u);
    EXPECT_EQ(certificates[0].keyContainerInfo().substr(0, 6), L"new - ");
}

TEST_F(Stores, CommitWritesAStoreFileNowAndThrowsWhenItCannot)
{
    std::filesystem::create_directory(home.path() / "media");
    const std::string path = (home.path() / "media" / "s.sst").string();
    auto store = crypto::openStore(std::wstring(path.begin(), path.end()), true);
    store->add(certificateOf(testsupport::makeNumberedCertificate(6)));
    store->commit();
    EXPECT_GT(std::filesystem::file_size(path), 20u);

#ifndef _WIN32
    // Windows keeps the file open, so that it cannot be taken away from the store.
    store->add(certificateOf(testsupport::makeNumberedCertificate(7)));
    std::filesystem::remove_all(home.path() / "media"); // the medium is gone
    EXPECT_THROW(store->commit(), crypto::CryptException);
#endif
}

TEST_F(Stores, ADamagedStoreFileThrowsOnOpen)
{
    testsupport::writeFile(home.file("bad.sst"), {0, 0, 0, 0, 'C', 'E', 'R', 'X'});
    try {
        crypto::openStore(file("bad.sst"), true);
        FAIL() << "no exception";
    } catch (const crypto::CryptException &e) {
#ifdef _WIN32
        // Whichever error the system's reader gives, its text is what the user reads.
        const std::wstring path = file("bad.sst");
        EXPECT_FALSE(CertOpenStore(CERT_STORE_PROV_FILENAME_W, X509_ASN_ENCODING, 0, 0, path.c_str()));
        EXPECT_EQ(e.message(), crypto::systemErrorText(GetLastError()));
#else
        EXPECT_EQ(e.message(), crypto::systemErrorText(ERROR_FILE_CORRUPT));
#endif
    }
}

#ifndef _WIN32
// The platform layer reads a key link only when asked for it (Windows may refuse such a
// store as it reads it).
TEST_F(Stores, AKeyLinkThatCannotBeReadShowsAsNoneAndTheStoreStillLists)
{
    // A serialized store: one certificate whose key link (property 2) is four bytes.
    const testsupport::Bytes der = testsupport::makeNumberedCertificate(8);
    testsupport::Bytes bytes{0, 0, 0, 0, 'C', 'E', 'R', 'T'};
    for (std::uint32_t v : {2u, 1u, 4u, 0u, 32u, 1u, static_cast<std::uint32_t>(der.size())})
        testsupport::appendDword(bytes, v);
    bytes.insert(bytes.end(), der.begin(), der.end());
    bytes.insert(bytes.end(), 12, 0);
    const auto certificates = crypto::MemoryStore(CERT_STORE_PROV_SERIALIZED, bytes.data(), bytes.size()).enumerate();
    ASSERT_EQ(certificates.size(), 1u);
    EXPECT_EQ(certificates[0].keyContainerInfo(), L"");
}

// What a user may only read opens to be viewed, read-only; what they may change opens
// as ever. The tests run as root: a child process drops to nobody to be refused.
TEST_F(Stores, AStoreTheUserMayNotChangeOpensReadOnlyToBeViewed)
{
    std::filesystem::permissions(home.path(), std::filesystem::perms::all);
    auto mine = crypto::openStore(L"My", false);
    mine->add(certificateOf(testsupport::makeNumberedCertificate(8)));
    auto filed = crypto::openStore(file("shared.sst"), true);
    filed->add(certificateOf(testsupport::makeNumberedCertificate(9)));
    filed->commit();
    mine.reset();
    filed.reset();
    chmod((home.path() / "stores").c_str(), 0555);
    chmod(home.file("shared.sst").c_str(), 0444);
    testsupport::writeFile(home.file("open.sst"), {});
    chmod(home.file("open.sst").c_str(), 0666);
    const struct {
        const char *name;
        bool isFile, readOnly;
        size_t certificates;
    } cases[] = {{"My", false, true, 1}, {"shared.sst", true, true, 1}, {"open.sst", true, false, 0}};
    for (const auto &c : cases) {
        const std::wstring name = c.isFile ? file(c.name) : std::wstring(c.name, c.name + std::strlen(c.name));
        const pid_t child = fork();
        if (child == 0) {
            if (setgid(65534) != 0 || setuid(65534) != 0)
                _exit(2);
            bool readOnly = !c.readOnly;
            try {
                const auto store = crypto::openStoreToView(name, c.isFile, readOnly);
                _exit(readOnly == c.readOnly && store->enumerate().size() == c.certificates ? 0 : 1);
            } catch (const std::exception &) {
                _exit(3);
            }
        }
        int status = -1;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.name << ": exit " << WEXITSTATUS(status);
    }
}
#endif
