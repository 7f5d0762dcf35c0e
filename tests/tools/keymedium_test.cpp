// The keymedium tool: its command line, and the containers and certificates it makes.
#include "runprogram.h"
#include "tempdir.h"

#include <gtest/gtest.h>
#include <openssl/engine.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <unicode/unistr.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sys/stat.h>

using testsupport::ProgramResult;
using testsupport::TempDir;

namespace {

using Bytes = std::vector<unsigned char>;

ProgramResult keymedium(const std::vector<std::string> &args) { return testsupport::runProgram(KEYMEDIUM_PATH, args); }

std::string utf8(const std::wstring &text)
{
    std::string out;
    icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32 *>(text.data()), static_cast<int32_t>(text.size()))
        .toUTF8String(out);
    return out;
}

std::string text(const Bytes &bytes) { return std::string(bytes.begin(), bytes.end()); }

struct X509Free {
    void operator()(X509 *cert) const { X509_free(cert); }
};
using Certificate = std::unique_ptr<X509, X509Free>;

Certificate parse(const Bytes &der)
{
    const unsigned char *at = der.data();
    return Certificate(d2i_X509(nullptr, &at, static_cast<long>(der.size())));
}

// The GOST engine, so that the tool's certificates can be checked here.
class GostEngine {
public:
    GostEngine() : engine_(ENGINE_by_id("gost"))
    {
        if (engine_ && ENGINE_init(engine_))
            ENGINE_set_default(engine_, ENGINE_METHOD_ALL);
    }
    ~GostEngine()
    {
        if (engine_) {
            ENGINE_finish(engine_);
            ENGINE_free(engine_);
        }
    }
    explicit operator bool() const { return engine_ != nullptr; }

private:
    ENGINE *engine_;
};

class KeyMediumTool : public ::testing::Test {
protected:
    // The only container in `keyFolder`.
    std::filesystem::path onlyContainer(const std::string &keyFolder) const
    {
        std::vector<std::filesystem::path> found;
        for (const auto &entry : std::filesystem::directory_iterator(keyFolder))
            found.push_back(entry.path());
        EXPECT_EQ(found.size(), 1u);
        return found.empty() ? std::filesystem::path() : found.front();
    }

    TempDir folder;
};

} // namespace

TEST_F(KeyMediumTool, WithoutACommandItShowsItsUsageAndFails)
{
    const ProgramResult result = keymedium({});
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.err.find("Usage:"), std::string::npos);
}

TEST_F(KeyMediumTool, HelpShowsTheUsage)
{
    const ProgramResult result = keymedium({"--help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_NE(result.out.find("keymedium create"), std::string::npos);
}

TEST_F(KeyMediumTool, CreateWritesTheNameTheCertificateAndAPrivateKeyOnlyTheUserReads)
{
    const std::string name = utf8(L"Ключ Иванова");
    const ProgramResult result =
        keymedium({"create", "--key-folder", folder.path().string(), "--name", name, "--subject", "/CN=Test"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::filesystem::path container = onlyContainer(folder.path().string());
    EXPECT_EQ(text(testsupport::readFile((container / "name").string())), name);
    EXPECT_TRUE(parse(testsupport::readFile((container / "exchange/certificate.der").string())));
    struct stat st {};
    ASSERT_EQ(::stat((container / "exchange/private.pem").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(KeyMediumTool, CreateMakesASelfSignedGost2012CertificateWithAKeyIdentifier)
{
    GostEngine engine;
    ASSERT_TRUE(engine);
    const std::string commonName = utf8(L"Иванов Иван Иванович");
    const ProgramResult result = keymedium({"create", "--key-folder", folder.path().string(), "--name", "c",
                                            "--subject", "/C=RU/O=" + utf8(L"ООО \"Ромашка\"") + "/CN=" + commonName});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    Certificate cert =
        parse(testsupport::readFile((onlyContainer(folder.path().string()) / "exchange/certificate.der").string()));
    ASSERT_TRUE(cert);

    EXPECT_EQ(X509_get_signature_nid(cert.get()), NID_id_tc26_signwithdigest_gost3410_2012_256);
    EVP_PKEY *key = X509_get0_pubkey(cert.get());
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(EVP_PKEY_get_base_id(key), NID_id_GostR3410_2012_256);
    EXPECT_EQ(X509_verify(cert.get(), key), 1);
    EXPECT_EQ(X509_NAME_cmp(X509_get_subject_name(cert.get()), X509_get_issuer_name(cert.get())), 0);
    EXPECT_NE(X509_get0_subject_key_id(cert.get()), nullptr);

    X509_NAME *subject = X509_get_subject_name(cert.get());
    const int at = X509_NAME_get_index_by_NID(subject, NID_commonName, -1);
    ASSERT_GE(at, 0);
    const ASN1_STRING *value = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, at));
    EXPECT_EQ(ASN1_STRING_type(value), V_ASN1_UTF8STRING);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(ASN1_STRING_get0_data(value)),
                          static_cast<size_t>(ASN1_STRING_length(value))),
              commonName);
}

TEST_F(KeyMediumTool, AMediumKeepsItsContainersInItsKeyFolder)
{
    const ProgramResult result =
        keymedium({"create", "--medium", folder.path().string(), "--name", "c", "--subject", "/CN=Test"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_TRUE(std::filesystem::exists(onlyContainer(folder.file("certinstall-keys")) / "name"));
}

TEST_F(KeyMediumTool, AMediumThatIsNotThereFails)
{
    const ProgramResult result =
        keymedium({"create", "--medium", folder.file("not mounted"), "--name", "c", "--subject", "/CN=Test"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("not mounted"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder.file("not mounted")));
}

TEST_F(KeyMediumTool, ASecondContainerOfTheSameNameIsRefused)
{
    const std::vector<std::string> args{"create",    "--key-folder", folder.path().string(), "--name", "twice",
                                        "--subject", "/CN=Test"};
    ASSERT_EQ(keymedium(args).exitCode, 0);
    const ProgramResult again = keymedium(args);
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("already"), std::string::npos);
    onlyContainer(folder.path().string()); // and no second one
}

TEST_F(KeyMediumTool, AMalformedSubjectIsAUsageError)
{
    for (const char *subject : {"CN=no slash", "/CN", "/NOSUCHTYPE=x", "/CN=a/"}) {
        const ProgramResult result =
            keymedium({"create", "--key-folder", folder.path().string(), "--name", "c", "--subject", subject});
        EXPECT_EQ(result.exitCode, 2) << subject;
        EXPECT_NE(result.err.find("Usage:"), std::string::npos) << subject;
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST_F(KeyMediumTool, ASlashInASubjectValueIsEscaped)
{
    const ProgramResult result =
        keymedium({"create", "--key-folder", folder.path().string(), "--name", "c", "--subject", "/O=A\\/B/CN=Test"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    Certificate cert =
        parse(testsupport::readFile((onlyContainer(folder.path().string()) / "exchange/certificate.der").string()));
    ASSERT_TRUE(cert);
    char organization[16] = {};
    X509_NAME_get_text_by_NID(X509_get_subject_name(cert.get()), NID_organizationName, organization,
                              sizeof organization);
    EXPECT_STREQ(organization, "A/B");
}

TEST_F(KeyMediumTool, ImportTakesAPemCertificateAndItsKey)
{
    TempDir source;
    ASSERT_EQ(
        keymedium({"create", "--key-folder", source.path().string(), "--name", "s", "--subject", "/CN=S"}).exitCode, 0);
    const std::filesystem::path original = onlyContainer(source.path().string());
    const Bytes der = testsupport::readFile((original / "exchange/certificate.der").string());
    Certificate cert = parse(der);
    const std::string pem = source.file("certificate.pem");
    {
        std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new_file(pem.c_str(), "w"), BIO_free);
        ASSERT_TRUE(PEM_write_bio_X509(out.get(), cert.get()));
    }
    const ProgramResult result =
        keymedium({"import", "--key-folder", folder.path().string(), "--name", "copy", "--certificate", pem,
                   "--private-key", (original / "exchange/private.pem").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const std::filesystem::path copy = onlyContainer(folder.path().string());
    EXPECT_EQ(testsupport::readFile((copy / "exchange/certificate.der").string()), der);
    EXPECT_TRUE(std::filesystem::exists(copy / "exchange/private.pem"));
}

TEST_F(KeyMediumTool, ImportRefusesTheKeyOfAnotherCertificate)
{
    TempDir source;
    for (const char *name : {"a", "b"})
        ASSERT_EQ(
            keymedium({"create", "--key-folder", source.file(name), "--name", name, "--subject", "/CN=x"}).exitCode, 0);
    const ProgramResult result =
        keymedium({"import", "--key-folder", folder.path().string(), "--name", "mixed", "--certificate",
                   (onlyContainer(source.file("a")) / "exchange/certificate.der").string(), "--private-key",
                   (onlyContainer(source.file("b")) / "exchange/private.pem").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("does not belong"), std::string::npos);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST_F(KeyMediumTool, ImportNeedsACertificateOrAKey)
{
    const ProgramResult result = keymedium({"import", "--key-folder", folder.path().string(), "--name", "empty"});
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("--certificate"), std::string::npos);
}

TEST_F(KeyMediumTool, ImportOfAFileWithoutCertificateFails)
{
    const std::string junk = folder.file("junk.der");
    testsupport::writeFile(junk, Bytes{0x30, 0x03, 0x02, 0x01, 0x01});
    const ProgramResult result =
        keymedium({"import", "--key-folder", folder.file("keys"), "--name", "junk", "--certificate", junk});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("junk.der"), std::string::npos);
}

TEST_F(KeyMediumTool, ANameTheProvidersCannotListIsAUsageError)
{
    for (const std::string &name : {std::string(261, 'k'), std::string("Key\xED\xA0\x80"), std::string()}) {
        const ProgramResult result =
            keymedium({"create", "--key-folder", folder.path().string(), "--name", name, "--subject", "/CN=Test"});
        EXPECT_EQ(result.exitCode, 2) << name;
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

TEST_F(KeyMediumTool, ImportReadsRegularFilesOfBoundedSizeWithoutWaiting)
{
    TempDir source;
    ASSERT_EQ(
        keymedium({"create", "--key-folder", source.path().string(), "--name", "s", "--subject", "/CN=S"}).exitCode, 0);
    const std::string certificate = (onlyContainer(source.path().string()) / "exchange/certificate.der").string();
    const std::string fifo = source.file("fifo"), large = source.file("large.der");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::ofstream(large, std::ios::binary).put('0');
    std::filesystem::resize_file(large, (1 << 20) + 1);
    const std::pair<std::string, std::string> refused[] = {
        {fifo, "no regular file"}, {"/dev/zero", "no regular file"}, {large, "larger than 1 MiB"}};
    for (const auto &[file, why] : refused) {
        const ProgramResult result =
            keymedium({"import", "--key-folder", folder.path().string(), "--name", "c", "--certificate", file});
        EXPECT_EQ(result.exitCode, 1) << file;
        EXPECT_NE(result.err.find(file + ": it is " + why), std::string::npos) << result.err;
    }
    // A container whose name file is a FIFO holds no name, and is passed over.
    std::filesystem::create_directories(folder.file("fifo name"));
    ASSERT_EQ(::mkfifo(folder.file("fifo name/name").c_str(), 0600), 0);
    const ProgramResult result =
        keymedium({"import", "--key-folder", folder.path().string(), "--name", "c", "--certificate", certificate});
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

// A PKCS #12 file's key and certificate become a container, named as the editor's import
// names it; the password from a file.
TEST_F(KeyMediumTool, ImportOfAPkcs12FileMakesAContainerOfItsKeyAndCertificate)
{
    const struct {
        const char *file, *password;
        int exitCode;
        std::string said; // on standard output, or standard error for a failure
    } cases[] = {
        {"gost2012.pfx", "secret\n", 0, "\"" + utf8(L"Иванов") + "\""},
        {"rsa-legacy.pfx", "secret", 0, "\"rsa-legacy\""}, // no friendly name: the file's
        {"rsa-legacy.pfx", "secret", 0, "\"rsa-legacy (2)\""},
        {"rsa.pfx", "wrong\n", 1, "the password is wrong"},
        {"damaged.pfx", "secret\n", 1, "damaged"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        std::ofstream(folder.file("password"), std::ios::trunc) << c.password;
        const ProgramResult result = keymedium({"import", "--pfx", std::string(TEST_DATA_DIR "/") + c.file,
                                                "--password-file", folder.file("password"), "--key-folder",
                                                folder.file("keys")});
        EXPECT_EQ(result.exitCode, c.exitCode) << result.err;
        EXPECT_NE((c.exitCode ? result.err : result.out).find(c.said), std::string::npos) << result.out << result.err;
    }
    size_t containers = 0;
    for (const auto &entry : std::filesystem::directory_iterator(folder.file("keys")))
        containers += entry.path().filename().string()[0] != '.';
    EXPECT_EQ(containers, 3u); // the failures wrote nothing
}
