// Saving a store (CertSaveStore) and opening one from a PKCS #7 message or a serialized
// store in memory (CertOpenStore).
#include "storehelpers.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace storetest;
using testsupport::readFile;
using testsupport::TempDir;

namespace {

const Bytes kFriendlyName = utf16z(u"Ключ");

// A memory store of two certificates, the first with a friendly name.
StoreHandle twoCertificates(std::vector<Bytes> &ders)
{
    ders = {testsupport::makeNumberedCertificate(1), testsupport::makeNumberedCertificate(2)};
    StoreHandle store = openMemory();
    for (std::size_t i = 0; i < ders.size(); ++i) {
        Context c = create(ders[i]);
        PCCERT_CONTEXT added = nullptr;
        CertAddCertificateContextToStore(store.get(), c.get(), CERT_STORE_ADD_ALWAYS, &added);
        CRYPT_DATA_BLOB name{static_cast<DWORD>(kFriendlyName.size()), const_cast<BYTE *>(kFriendlyName.data())};
        if (i == 0)
            CertSetCertificateContextProperty(added, CERT_FRIENDLY_NAME_PROP_ID, 0, &name);
        CertFreeCertificateContext(added);
    }
    return store;
}

// The saved bytes through the two calls of the size contract; empty when either fails.
Bytes saveToMemory(HCERTSTORE store, DWORD saveAs)
{
    CRYPT_DATA_BLOB blob{};
    if (!CertSaveStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, saveAs, CERT_STORE_SAVE_TO_MEMORY, &blob, 0))
        return {};
    Bytes out(blob.cbData);
    blob.pbData = out.data();
    if (!CertSaveStore(store, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, saveAs, CERT_STORE_SAVE_TO_MEMORY, &blob, 0))
        return {};
    out.resize(blob.cbData);
    return out;
}

StoreHandle openBlob(LPCSTR provider, const Bytes &data)
{
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(data.size()), const_cast<BYTE *>(data.data())};
    return StoreHandle(CertOpenStore(provider, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, 0, 0, &blob));
}

} // namespace

TEST(StoreExport, SavedAndOpenedAgainTheStoreHoldsTheSameCertificates)
{
    std::vector<Bytes> ders;
    StoreHandle store = twoCertificates(ders);
    const struct {
        DWORD saveAs;
        LPCSTR provider;
        bool keepsProperties;
    } cases[] = {
        {CERT_STORE_SAVE_AS_STORE, CERT_STORE_PROV_SERIALIZED, true},
        {CERT_STORE_SAVE_AS_STORE, sz_CERT_STORE_PROV_SERIALIZED, true},
        {CERT_STORE_SAVE_AS_PKCS7, CERT_STORE_PROV_PKCS7, false},
        {CERT_STORE_SAVE_AS_PKCS7, sz_CERT_STORE_PROV_PKCS7, false},
    };
    for (const auto &c : cases) {
        const Bytes saved = saveToMemory(store.get(), c.saveAs);
        ASSERT_FALSE(saved.empty()) << c.saveAs << ": " << std::hex << GetLastError();
        StoreHandle opened = openBlob(c.provider, saved);
        ASSERT_TRUE(opened) << c.saveAs << ": " << std::hex << GetLastError();
        EXPECT_EQ(encodings(opened.get()), ders) << c.saveAs;
        Context first = findByHash(opened.get(), testsupport::sha1Of(ders[0]));
        EXPECT_EQ(propertyOf(first.get(), CERT_FRIENDLY_NAME_PROP_ID), c.keepsProperties ? kFriendlyName : Bytes())
            << c.saveAs;
    }
}

TEST(StoreExport, SavedAsStoreIsWhatAStoreFileCommitWrites)
{
    TempDir dir;
    const std::string path = dir.file("store.sst");
    std::vector<Bytes> ders;
    StoreHandle source = twoCertificates(ders);
    StoreHandle file = openFile(path);
    for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(source.get(), nullptr); c;
         c = CertEnumCertificatesInStore(source.get(), c))
        ASSERT_TRUE(CertAddCertificateContextToStore(file.get(), c, CERT_STORE_ADD_ALWAYS, nullptr));
    ASSERT_TRUE(CertControlStore(file.get(), 0, CERT_STORE_CTRL_COMMIT, nullptr));
    EXPECT_EQ(saveToMemory(file.get(), CERT_STORE_SAVE_AS_STORE), readFile(path));
}

TEST(StoreExport, EachDestinationGetsTheSameBytes)
{
    TempDir dir;
    std::vector<Bytes> ders;
    StoreHandle store = twoCertificates(ders);
    const std::string narrow = dir.file("a"), wide = dir.file("w"), handled = dir.file("h");
    const std::wstring widePath(wide.begin(), wide.end()), handlePath(handled.begin(), handled.end());
    for (DWORD saveAs : {CERT_STORE_SAVE_AS_STORE, CERT_STORE_SAVE_AS_PKCS7}) {
        auto save = [&](DWORD to, void *where) { return CertSaveStore(store.get(), 0, saveAs, to, where, 0); };
        EXPECT_TRUE(save(CERT_STORE_SAVE_TO_FILENAME_A, const_cast<char *>(narrow.c_str())));
        EXPECT_TRUE(save(CERT_STORE_SAVE_TO_FILENAME_W, const_cast<wchar_t *>(widePath.c_str())));
        HANDLE file = CreateFileW(handlePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_TRUE(save(CERT_STORE_SAVE_TO_FILE, file));
        EXPECT_TRUE(CloseHandle(file));
        const Bytes expected = saveToMemory(store.get(), saveAs);
        for (const std::string &path : {narrow, wide, handled})
            EXPECT_EQ(readFile(path), expected) << saveAs << " " << path;
    }
}

TEST(StoreExport, TooSmallABufferFailsWithTheSizeNeededAndAForeignHandleIsRefused)
{
    std::vector<Bytes> ders;
    StoreHandle store = twoCertificates(ders);
    const Bytes saved = saveToMemory(store.get(), CERT_STORE_SAVE_AS_STORE);
    Bytes buffer(saved.size() - 1);
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(buffer.size()), buffer.data()};
    EXPECT_FALSE(CertSaveStore(store.get(), 0, CERT_STORE_SAVE_AS_STORE, CERT_STORE_SAVE_TO_MEMORY, &blob, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(blob.cbData, saved.size());
    int notAFile = 0;
    EXPECT_FALSE(CertSaveStore(store.get(), 0, CERT_STORE_SAVE_AS_STORE, CERT_STORE_SAVE_TO_FILE, &notAFile, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(StoreExport, OpenSslReadsTheSavedMessage)
{
    TempDir dir;
    std::vector<Bytes> ders;
    StoreHandle store = twoCertificates(ders);
    const std::string path = dir.file("certs.p7b");
    ASSERT_TRUE(CertSaveStore(store.get(), 0, CERT_STORE_SAVE_AS_PKCS7, CERT_STORE_SAVE_TO_FILENAME_A,
                              const_cast<char *>(path.c_str()), 0));
    FILE *output = popen(("openssl pkcs7 -inform DER -print_certs -noout -in " + path).c_str(), "r");
    ASSERT_NE(output, nullptr);
    int subjects = 0;
    char line[512];
    while (fgets(line, sizeof line, output))
        subjects += std::string(line).rfind("subject=", 0) == 0;
    EXPECT_EQ(pclose(output), 0);
    EXPECT_EQ(subjects, 2);
}

TEST(StoreImport, DamagedBytesFailWithACodeThatHasAText)
{
    std::vector<Bytes> ders;
    StoreHandle store = twoCertificates(ders);
    Bytes trailing = saveToMemory(store.get(), CERT_STORE_SAVE_AS_PKCS7);
    trailing.push_back(0);
    Bytes cut = saveToMemory(store.get(), CERT_STORE_SAVE_AS_STORE);
    cut.resize(cut.size() - 12); // no end marker
    const struct {
        LPCSTR provider;
        Bytes data;
        HRESULT error;
    } cases[] = {
        {CERT_STORE_PROV_PKCS7, {0x04, 0x01, 0x00}, CRYPT_E_ASN1_BADTAG},
        {CERT_STORE_PROV_PKCS7, {0x30, 0x05, 0x06}, CRYPT_E_ASN1_EOD},
        {CERT_STORE_PROV_PKCS7, trailing, CRYPT_E_ASN1_CORRUPT},
        // A ContentInfo of plain data
        {CERT_STORE_PROV_PKCS7, {0x30, 0x0B, 0x06, 0x09, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x01, 0x07, 0x01},
         CRYPT_E_UNEXPECTED_MSG_TYPE},
        {CERT_STORE_PROV_SERIALIZED, {'g', 'a', 'r', 'b', 'a', 'g', 'e', '!', 0, 0, 0, 0}, ERROR_FILE_CORRUPT},
        {CERT_STORE_PROV_SERIALIZED, cut, ERROR_FILE_CORRUPT},
    };
    for (const auto &c : cases) {
        SetLastError(0);
        EXPECT_FALSE(openBlob(c.provider, c.data));
        const DWORD error = GetLastError();
        EXPECT_EQ(error, static_cast<DWORD>(c.error));
        wchar_t text[256];
        EXPECT_NE(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                 256, nullptr),
                  0u)
            << std::hex << error;
    }
}
