// Store files: the serialized format byte by byte, commit, and damaged files.
#include "storehelpers.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

using namespace storetest;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// The self-relative key link as a store file keeps it.
Bytes keyLinkBytes(const std::u16string &container, const std::u16string &provider, std::uint32_t type)
{
    Bytes out;
    const Bytes c = utf16z(container), p = utf16z(provider);
    testsupport::appendDword(out, 28);
    testsupport::appendDword(out, static_cast<std::uint32_t>(28 + c.size()));
    testsupport::appendDword(out, type);
    testsupport::appendDword(out, 0);
    testsupport::appendDword(out, 0);
    testsupport::appendDword(out, 0);
    testsupport::appendDword(out, AT_KEYEXCHANGE);
    out.insert(out.end(), c.begin(), c.end());
    out.insert(out.end(), p.begin(), p.end());
    return out;
}

void setKeyLink(PCCERT_CONTEXT c, const wchar_t *container, const wchar_t *provider, DWORD type)
{
    CRYPT_KEY_PROV_INFO info{};
    info.pwszContainerName = const_cast<wchar_t *>(container);
    info.pwszProvName = const_cast<wchar_t *>(provider);
    info.dwProvType = type;
    info.dwKeySpec = AT_KEYEXCHANGE;
    ASSERT_TRUE(CertSetCertificateContextProperty(c, CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
}

// Adds the way the program adds to a store file: serialize, then add the element.
void addSerialized(HCERTSTORE store, PCCERT_CONTEXT c, DWORD disposition = CERT_STORE_ADD_REPLACE_EXISTING)
{
    const Bytes e = serialize(c);
    ASSERT_FALSE(e.empty());
    ASSERT_TRUE(CertAddSerializedElementToStore(store, e.data(), static_cast<DWORD>(e.size()), disposition, 0,
                                                CERT_STORE_CERTIFICATE_CONTEXT_FLAG, nullptr, nullptr))
        << std::hex << GetLastError();
}

ino_t inodeOf(const std::string &path)
{
    struct stat st {};
    stat(path.c_str(), &st);
    return st.st_ino;
}

// Runs `body` in a child process as an ordinary user (nobody, when the tests run as root);
// true when it exits with 0.
template <class Body>
bool asOrdinaryUser(Body body)
{
    const pid_t child = fork();
    if (child == 0) {
        if (getuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
            _exit(2);
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    return waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Opens the store file, adds a certificate and commits; the commit's result.
bool addAndCommit(const std::string &path, unsigned number)
{
    StoreHandle store = openFile(path);
    Context c = create(testsupport::makeNumberedCertificate(number));
    return store && CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_ALWAYS, nullptr) &&
           CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr);
}

const Bytes kEmptyStore{0, 0, 0, 0, 'C', 'E', 'R', 'T', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

} // namespace

TEST(SerializedElement, IsThePropertiesThenTheCertificate)
{
    const Bytes der = testsupport::makeNumberedCertificate(10);
    Context c = create(der);
    setKeyLink(c.get(), L"C1", L"P", 75);

    const Bytes expected =
        element({{3, testsupport::sha1Of(der)}, {2, keyLinkBytes(u"C1", u"P", 75)}}, der);
    DWORD size = 0;
    ASSERT_TRUE(CertSerializeCertificateStoreElement(c.get(), 0, nullptr, &size));
    EXPECT_EQ(size, expected.size());
    Bytes small(size - 1);
    DWORD smallSize = size - 1;
    EXPECT_FALSE(CertSerializeCertificateStoreElement(c.get(), 0, small.data(), &smallSize));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(smallSize, size);
    EXPECT_EQ(serialize(c.get()), expected);
}

TEST(SerializedElement, AddedWithoutAStoreGivesAContextWithItsProperties)
{
    const Bytes der = testsupport::makeNumberedCertificate(11);
    const Bytes e = element({{2, keyLinkBytes(u"Контейнер", u"P", 75)}}, der);
    const void *context = nullptr;
    DWORD type = 0;
    ASSERT_TRUE(CertAddSerializedElementToStore(nullptr, e.data(), static_cast<DWORD>(e.size()),
                                                CERT_STORE_ADD_ALWAYS, 0, CERT_STORE_ALL_CONTEXT_FLAG, &type,
                                                &context));
    Context c(static_cast<PCCERT_CONTEXT>(context));
    EXPECT_EQ(type, static_cast<DWORD>(CERT_STORE_CERTIFICATE_CONTEXT));
    Bytes link = propertyOf(c.get(), CERT_KEY_PROV_INFO_PROP_ID);
    ASSERT_FALSE(link.empty());
    EXPECT_STREQ(reinterpret_cast<const CRYPT_KEY_PROV_INFO *>(link.data())->pwszContainerName, L"Контейнер");
}

TEST(SerializedElement, AKeyLinkWhoseParametersReachPastItsBytesIsRefusedAsInvalidData)
{
    // Four parameters, each claiming the whole value as its bytes: together they hold more
    // than the value does. Then one whose bytes run past the value's end.
    const auto keyLink = [](std::uint32_t count, std::uint32_t dataAt, std::uint32_t dataLength) {
        Bytes out;
        for (std::uint32_t v : {0u, 0u, 75u, 0u, count, 28u, static_cast<std::uint32_t>(AT_KEYEXCHANGE)})
            testsupport::appendDword(out, v);
        for (std::uint32_t i = 0; i < count; ++i)
            for (std::uint32_t v : {i, dataAt, dataLength, 0u})
                testsupport::appendDword(out, v);
        return out;
    };
    const Bytes der = testsupport::makeNumberedCertificate(13);
    for (const Bytes &value : {keyLink(4, 0, 28 + 4 * 16), keyLink(1, 40, 5)}) {
        const Bytes e = element({{CERT_KEY_PROV_INFO_PROP_ID, value}}, der);
        const void *context = nullptr;
        ASSERT_TRUE(CertAddSerializedElementToStore(nullptr, e.data(), static_cast<DWORD>(e.size()),
                                                    CERT_STORE_ADD_ALWAYS, 0, CERT_STORE_CERTIFICATE_CONTEXT_FLAG,
                                                    nullptr, &context));
        Context c(static_cast<PCCERT_CONTEXT>(context));
        DWORD size = 0;
        EXPECT_FALSE(CertGetCertificateContextProperty(c.get(), CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
    }
}

TEST(SerializedElement, MalformedElementsAreRefused)
{
    const Bytes der = testsupport::makeNumberedCertificate(12);
    const Bytes good = element({}, der);
    const std::vector<Bytes> bad = {
        Bytes(good.begin(), good.end() - 1),      // truncated certificate
        element({{3, Bytes(20, 0)}}, {}, 0),      // an end marker where the certificate belongs
        Bytes(good.begin(), good.begin() + 8),    // header only
    };
    for (const Bytes &e : bad) {
        HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
        EXPECT_FALSE(CertAddSerializedElementToStore(store, e.data(), static_cast<DWORD>(e.size()),
                                                     CERT_STORE_ADD_ALWAYS, 0, CERT_STORE_ALL_CONTEXT_FLAG, nullptr,
                                                     nullptr));
        EXPECT_EQ(encodings(store).size(), 0u);
        CertCloseStore(store, 0);
    }
}

TEST(StoreFile, AMissingFileIsLeftToTheFirstCommitThatHasSomethingToWrite)
{
    TempDir dir;
    StoreHandle store = openFile(dir.file("new.sst"));
    ASSERT_TRUE(store);
    EXPECT_TRUE(encodings(store.get()).empty());
    store.reset();
    EXPECT_FALSE(std::filesystem::exists(dir.file("new.sst")));
    EXPECT_FALSE(openFile(dir.file("no/such.sst")));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(StoreFile, AnythingButARegularFileIsRefusedAtOnce)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("fifo.sst").c_str(), 0600), 0);
    std::filesystem::create_directory(dir.file("folder.sst"));
    const std::pair<std::string, DWORD> cases[] = {
        {dir.file("fifo.sst"), ERROR_NOT_SUPPORTED}, {"/dev/null", ERROR_NOT_SUPPORTED},
        {dir.file("folder.sst"), ERROR_ACCESS_DENIED}};
    for (const auto &[path, error] : cases) {
        // Opened in a child, so that an open or a read that blocks fails the test, not hangs it.
        const pid_t child = fork();
        if (child == 0) {
            alarm(20);
            _exit(!openFile(path) && GetLastError() == error ? 0 : 1);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << path;
    }
}

TEST(StoreFile, AHugeFileThatIsNoStoreIsRefusedByItsFirstBytes)
{
    TempDir dir;
    const std::string path = dir.file("huge.sst");
    writeFile(path, {'M', 'Z'});
    std::filesystem::resize_file(path, std::uintmax_t{1} << 30); // sparse: costs no disk
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    EXPECT_FALSE(openFile(path));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_CORRUPT));
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 64 * 1024) << "KiB more at the peak";
}

TEST(StoreFile, ZeroLengthFileIsAnEmptyStore)
{
    TempDir dir;
    writeFile(dir.file("empty.sst"), {});
    StoreHandle store = openFile(dir.file("empty.sst"));
    ASSERT_TRUE(store);
    EXPECT_TRUE(encodings(store.get()).empty());
}

TEST(StoreFile, WritesExactlyTheSerializedFormatOnClose)
{
    TempDir dir;
    const Bytes first = testsupport::makeNumberedCertificate(20), second = testsupport::makeNumberedCertificate(21);
    {
        StoreHandle store = openFile(dir.file("s.sst"));
        Context a = create(first), b = create(second);
        setKeyLink(a.get(), L"C1", L"P", 75);
        addSerialized(store.get(), a.get());
        addSerialized(store.get(), b.get());
        EXPECT_FALSE(std::filesystem::exists(dir.file("s.sst"))); // nothing written before the close
    }
    const Bytes expected = storeFile({element({{3, testsupport::sha1Of(first)}, {2, keyLinkBytes(u"C1", u"P", 75)}},
                                              first),
                                      element({{3, testsupport::sha1Of(second)}}, second)});
    EXPECT_EQ(readFile(dir.file("s.sst")), expected);

    StoreHandle again = openFile(dir.file("s.sst"));
    EXPECT_EQ(encodings(again.get()), (std::vector<Bytes>{first, second}));
    Context found = findByHash(again.get(), testsupport::sha1Of(first));
    ASSERT_TRUE(found);
    Bytes link = propertyOf(found.get(), CERT_KEY_PROV_INFO_PROP_ID);
    ASSERT_FALSE(link.empty());
    EXPECT_STREQ(reinterpret_cast<const CRYPT_KEY_PROV_INFO *>(link.data())->pwszContainerName, L"C1");
}

TEST(StoreFile, AddingAnEqualCertificateReplacesItWithItsProperties)
{
    TempDir dir;
    const Bytes der = testsupport::makeNumberedCertificate(30);
    {
        StoreHandle store = openFile(dir.file("s.sst"));
        Context plain = create(der);
        addSerialized(store.get(), plain.get());
        Context linked = create(der);
        setKeyLink(linked.get(), L"new", L"P", 75);
        addSerialized(store.get(), linked.get());
        EXPECT_EQ(encodings(store.get()).size(), 1u);
    }
    StoreHandle again = openFile(dir.file("s.sst"));
    ASSERT_EQ(encodings(again.get()).size(), 1u);
    Context found = findByHash(again.get(), testsupport::sha1Of(der));
    Bytes link = propertyOf(found.get(), CERT_KEY_PROV_INFO_PROP_ID);
    ASSERT_FALSE(link.empty());
    EXPECT_STREQ(reinterpret_cast<const CRYPT_KEY_PROV_INFO *>(link.data())->pwszContainerName, L"new");
}

TEST(StoreFile, KeepsCrlsUnknownPropertiesAndEncodingTypesWhenRewritten)
{
    TempDir dir;
    const Bytes der = testsupport::makeNumberedCertificate(40);
    // Written with the combined encoding type that callers pass, which is kept as it is.
    const DWORD both = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
    const Bytes crl = element({{0x8001, {9, 9}}}, {0x30, 0x03, 0x02, 0x01, 0x05}, 33, both);
    const Bytes cert = element({{3, testsupport::sha1Of(der)}, {0x8002, {1, 2, 3}}}, der, 32, both);
    writeFile(dir.file("s.sst"), storeFile({cert, crl}));
    const Bytes added = testsupport::makeNumberedCertificate(41);
    {
        StoreHandle store = openFile(dir.file("s.sst"));
        ASSERT_TRUE(store);
        Context c = create(added);
        addSerialized(store.get(), c.get());
    }
    EXPECT_EQ(readFile(dir.file("s.sst")),
              storeFile({cert, crl, element({{3, testsupport::sha1Of(added)}}, added)}));
}

TEST(StoreFile, StoredHashesAreRecomputedNotTrusted)
{
    TempDir dir;
    const Bytes der = testsupport::makeNumberedCertificate(50);
    const Bytes forged(20, 0xAB);
    writeFile(dir.file("s.sst"), storeFile({element({{3, forged}}, der)}));
    StoreHandle store = openFile(dir.file("s.sst"));
    ASSERT_TRUE(store);
    EXPECT_FALSE(findByHash(store.get(), forged));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    Context found = findByHash(store.get(), testsupport::sha1Of(der));
    ASSERT_TRUE(found);
    EXPECT_EQ(propertyOf(found.get(), CERT_SHA1_HASH_PROP_ID), testsupport::sha1Of(der));
    EXPECT_EQ(serialize(found.get()), element({{3, testsupport::sha1Of(der)}}, der));
}

TEST(StoreFile, DamagedFilesFailToOpenAndAreLeftAsTheyAre)
{
    TempDir dir;
    const Bytes der = testsupport::makeNumberedCertificate(60);
    const Bytes good = storeFile({element({}, der)});
    Bytes oversized = good;
    oversized[8 + 8] = 0xFF; // the certificate's length runs past the end
    oversized[8 + 9] = 0xFF;
    Bytes wrongMagic = good;
    wrongMagic[4] = 'X';
    Bytes badVersion = good;
    badVersion[0] = 1;
    Bytes garbageDer = storeFile({element({}, {0x30, 0x03, 0x01, 0x01, 0xFF})});
    Bytes trailing = good;
    trailing.push_back(0x42);
    Bytes propertyOfOtherEncoding = storeFile({element({{3, testsupport::sha1Of(der)}}, der)});
    propertyOfOtherEncoding[8 + 4 + 2] = 2; // 0x00020001
    const std::vector<std::pair<const char *, Bytes>> cases = {
        {"truncated header", Bytes(good.begin(), good.begin() + 5)},
        {"wrong magic", wrongMagic},
        {"wrong version", badVersion},
        {"no end marker", Bytes(good.begin(), good.end() - 12)},
        {"truncated certificate", Bytes(good.begin(), good.end() - 20)},
        {"oversized length", oversized},
        {"garbage DER", garbageDer},
        {"properties without certificate", storeFile({element({{3, Bytes(20, 1)}}, {}, 0)})},
        {"data after the end marker", trailing},
        {"certificate of NDR encoding", storeFile({element({}, der, 32, 2)})},
        {"certificate of PKCS #7 encoding alone", storeFile({element({}, der, 32, PKCS_7_ASN_ENCODING)})},
        {"property of another encoding", propertyOfOtherEncoding},
    };
    for (const auto &[what, bytes] : cases) {
        const std::string path = dir.file("bad.sst");
        writeFile(path, bytes);
        SetLastError(0);
        HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_FILENAME_W, X509_ASN_ENCODING, 0,
                                         CERT_FILE_STORE_COMMIT_ENABLE_FLAG, std::wstring(path.begin(), path.end()).c_str());
        EXPECT_EQ(store, nullptr) << what;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_CORRUPT)) << what;
        if (store)
            CertCloseStore(store, 0);
        EXPECT_EQ(readFile(path), bytes) << what;
    }
}

TEST(StoreFile, AStoreLeftUnchangedIsNotRewritten)
{
    TempDir dir;
    const Bytes der = testsupport::makeNumberedCertificate(70);
    writeFile(dir.file("s.sst"), storeFile({element({}, der)}));
    const ino_t before = inodeOf(dir.file("s.sst"));
    {
        StoreHandle store = openFile(dir.file("s.sst"));
        EXPECT_EQ(encodings(store.get()).size(), 1u);
    }
    EXPECT_EQ(inodeOf(dir.file("s.sst")), before);
    EXPECT_EQ(readFile(dir.file("s.sst")), storeFile({element({}, der)}));
}

TEST(StoreFile, CommitWritesBeforeCloseAndReportsAFailedWrite)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "sub");
    const std::string path = (dir.path() / "sub" / "s.sst").string();
    StoreHandle store = openFile(path);
    Context c = create(testsupport::makeNumberedCertificate(80));
    addSerialized(store.get(), c.get());
    ASSERT_TRUE(CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr));
    EXPECT_EQ(readFile(path), storeFile({serialize(c.get())}));

    Context d = create(testsupport::makeNumberedCertificate(81));
    addSerialized(store.get(), d.get());
    std::filesystem::remove_all(dir.path() / "sub"); // nowhere left to write to
    EXPECT_FALSE(CertControlStore(store.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    SetLastError(0);
    EXPECT_FALSE(CertCloseStore(store.release(), 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(StoreFile, DeletedCertificatesAreGoneFromTheFile)
{
    TempDir dir;
    const Bytes a = testsupport::makeNumberedCertificate(90), b = testsupport::makeNumberedCertificate(91);
    writeFile(dir.file("s.sst"), storeFile({element({}, a), element({}, b)}));
    {
        StoreHandle store = openFile(dir.file("s.sst"));
        Context found = findByHash(store.get(), testsupport::sha1Of(a));
        ASSERT_TRUE(found);
        EXPECT_TRUE(CertDeleteCertificateFromStore(found.release()));
    }
    EXPECT_EQ(readFile(dir.file("s.sst")), storeFile({element({}, b)}));
}

TEST(StoreFile, WithoutTheCommitFlagChangesStayInMemory)
{
    TempDir dir;
    writeFile(dir.file("s.sst"), kEmptyStore);
    {
        StoreHandle store = openFile(dir.file("s.sst"), 0);
        Context c = create(testsupport::makeNumberedCertificate(100));
        addSerialized(store.get(), c.get());
        EXPECT_EQ(encodings(store.get()).size(), 1u);
    }
    EXPECT_EQ(readFile(dir.file("s.sst")), kEmptyStore);
}

TEST(StoreFile, OpenFlagsFollowTheirContract)
{
    TempDir dir;
    EXPECT_FALSE(openFile(dir.file("missing.sst"), CERT_STORE_OPEN_EXISTING_FLAG));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(std::filesystem::exists(dir.file("missing.sst")));

    writeFile(dir.file("there.sst"), kEmptyStore);
    EXPECT_FALSE(openFile(dir.file("there.sst"), CERT_STORE_CREATE_NEW_FLAG));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

    StoreHandle readOnly = openFile(dir.file("there.sst"), CERT_STORE_READONLY_FLAG);
    ASSERT_TRUE(readOnly);
    Context c = create(testsupport::makeNumberedCertificate(110));
    EXPECT_FALSE(CertAddCertificateContextToStore(readOnly.get(), c.get(), CERT_STORE_ADD_ALWAYS, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(StoreFile, TwoStoresOnOneFileKeepEachOthersChanges)
{
    TempDir home;
    setenv("CERTINSTALL_HOME", home.path().c_str(), 1);
    TempDir dir;
    const Bytes a = testsupport::makeNumberedCertificate(120), b = testsupport::makeNumberedCertificate(121),
                c = testsupport::makeNumberedCertificate(122);
    writeFile(dir.file("s.sst"), storeFile({element({}, a)}));
    StoreHandle editor = openFile(dir.file("s.sst"));
    StoreHandle installer = openFile(dir.file("s.sst"));
    Context toDelete = findByHash(editor.get(), testsupport::sha1Of(a));
    ASSERT_TRUE(CertDeleteCertificateFromStore(toDelete.release()));
    Context added = create(b);
    addSerialized(editor.get(), added.get());
    Context installed = create(c);
    addSerialized(installer.get(), installed.get());
    installer.reset(); // written first
    editor.reset();    // written last, without undoing the other's add
    unsetenv("CERTINSTALL_HOME");
    StoreHandle result = openFile(dir.file("s.sst"));
    EXPECT_EQ(encodings(result.get()), (std::vector<Bytes>{c, b}));
}

TEST(StoreFile, WritersWithDifferentHomesShareTheLockBesideTheFile)
{
    TempDir dir, homes[2]; // each writer its own data folder, as two users have
    const std::string path = dir.file("s.sst");
    pid_t writers[2];
    for (unsigned w = 0; w < 2; ++w)
        if ((writers[w] = fork()) == 0) {
            setenv("CERTINSTALL_HOME", homes[w].path().c_str(), 1);
            bool ok = true;
            for (unsigned i = 0; i < 100; ++i)
                ok = addAndCommit(path, 2000 + w * 100 + i) && ok;
            _exit(ok ? 0 : 1);
        }
    for (pid_t writer : writers) {
        int status = 0;
        ASSERT_EQ(waitpid(writer, &status, 0), writer);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(encodings(openFile(path, CERT_STORE_READONLY_FLAG).get()).size(), 200u);
    EXPECT_TRUE(std::filesystem::is_regular_file(dir.file(".s.lock")));
}

TEST(StoreFile, AWriteIsRefusedAndTheFileLeftAsItIsWhenItCannotBeDoneSafely)
{
    const Bytes old = storeFile({element({}, testsupport::makeNumberedCertificate(130))});
    const struct {
        const char *what;
        mode_t mode;
        bool lockIsAFolder;
        bool asUser;
        DWORD error;
    } cases[] = {
        {"a read-only file in a folder the user may write", 0444, false, true, ERROR_ACCESS_DENIED},
        {"a lock that cannot be taken", 0644, true, false, ERROR_ACCESS_DENIED},
    };
    for (const auto &c : cases) {
        TempDir dir;
        std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
        const std::string path = dir.file("s.sst");
        writeFile(path, old);
        chmod(path.c_str(), c.mode);
        if (c.lockIsAFolder)
            std::filesystem::create_directory(dir.file(".s.lock"));
        const auto refused = [&] { return !addAndCommit(path, 131) && GetLastError() == c.error; };
        EXPECT_TRUE(c.asUser ? asOrdinaryUser(refused) : refused()) << c.what;
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, getuid()) << c.what;
        EXPECT_EQ(st.st_mode & 07777, c.mode) << c.what;
        EXPECT_EQ(readFile(path), old) << c.what;
    }
}

TEST(StoreFile, ALinkIsWrittenThroughToItsTargetWhichKeepsItsMode)
{
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "real");
    const std::string target = dir.file("real/s.sst"), link = dir.file("link.sst");
    writeFile(target, kEmptyStore);
    chmod(target.c_str(), 0640);
    std::filesystem::create_symlink("real/s.sst", link);
    ASSERT_TRUE(addAndCommit(link, 140));
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(encodings(openFile(target, CERT_STORE_READONLY_FLAG).get()).size(), 1u);
    EXPECT_EQ(std::filesystem::status(target).permissions(), std::filesystem::perms(0640));
}

TEST(StoreFile, TemporariesOfKilledWritersGoAtTheNextWriteAndNothingElseDoes)
{
    TempDir dir;
    writeFile(dir.file("s.sst"), kEmptyStore);
    const auto past = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    const struct {
        const char *name;
        bool old;
        bool stays;
    } files[] = {
        {".s.sst.tmp.Ab12Cd", true, false},  // a killed writer's
        {".s.sst.tmp.Ab12Ce", false, true},  // newer than the lock: never a killed writer's
        {"s.sst.backup", true, true},        {".t.sst.tmp.Ab12Cd", true, true},
        {".s.sst.tmp.Ab12Cde", true, true},
    };
    for (const auto &f : files) {
        writeFile(dir.file(f.name), {1});
        std::filesystem::last_write_time(dir.file(f.name), f.old ? past : past + std::chrono::hours(2));
    }
    ASSERT_TRUE(addAndCommit(dir.file("s.sst"), 150));
    for (const auto &f : files)
        EXPECT_EQ(std::filesystem::exists(dir.file(f.name)), f.stays) << f.name;
}
