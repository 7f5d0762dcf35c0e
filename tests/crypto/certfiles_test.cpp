// Certificates read from files in each form other programs write, and written in each
// form for them: what openssl makes is read, and what is written openssl reads.
#include "crypto/certexport.h"
#include "crypto/certformat.h"
#include "crypto/certimport.h"
#include "crypto/cryptexception.h"
#include "crypto/store.h"

#include "certfactory.h"
#include "runprogram.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

namespace {

using testsupport::Bytes;
using testsupport::readFile;
using testsupport::writeFile;

class CertificateFiles : public ::testing::Test {
protected:
    testsupport::TempDir dir;
    const Bytes first = testsupport::makeNumberedCertificate(1), second = testsupport::makeNumberedCertificate(2);

    std::string path(const std::string &name) const { return dir.file(name); }
    static std::wstring wide(const std::string &text) { return std::wstring(text.begin(), text.end()); }
    static std::wstring hashOf(const Bytes &der)
    {
        const Bytes hash = testsupport::sha1Of(der);
        return crypto::bytesToHex(hash.data(), hash.size(), 0);
    }
    static std::vector<std::wstring> hashesOf(const std::vector<crypto::CryptoCertificate> &certificates)
    {
        std::vector<std::wstring> hashes;
        for (const crypto::CryptoCertificate &certificate : certificates)
            hashes.push_back(certificate.sha1Hash());
        return hashes;
    }
    // What openssl says, failing the test when it fails.
    static std::string openssl(const std::vector<std::string> &args)
    {
        const testsupport::ProgramResult result = testsupport::runProgram("/usr/bin/openssl", args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.out;
    }
    // Both certificates as openssl writes them: PEM, and a PKCS #7 message.
    void makeOpensslForms()
    {
        std::string pem;
        for (const Bytes *der : {&first, &second}) {
            writeFile(path("one.der"), *der);
            pem += openssl({"x509", "-inform", "DER", "-in", path("one.der")});
        }
        writeFile(path("both.pem"), Bytes(pem.begin(), pem.end()));
        for (const char *form : {"DER", "PEM"})
            openssl({"crl2pkcs7", "-nocrl", "-certfile", path("both.pem"), "-outform", form, "-out",
                     path(std::string("both.p7b.") + form)});
    }
    crypto::CryptoCertificate linked(const Bytes &der) const
    {
        PCCERT_CONTEXT context =
            CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
        crypto::CryptoCertificate certificate = crypto::CryptoCertificate::adopt(context);
        CRYPT_KEY_PROV_INFO info{};
        info.pwszContainerName = const_cast<wchar_t *>(L"Контейнер");
        info.pwszProvName = const_cast<wchar_t *>(L"Провайдер");
        info.dwProvType = 75;
        info.dwKeySpec = AT_KEYEXCHANGE;
        certificate.setProperty(&info, CERT_KEY_PROV_INFO_PROP_ID, 0);
        return certificate;
    }
};

TEST_F(CertificateFiles, ReadsEachFormByItsContentAndRefusesEachDamagedOne)
{
    makeOpensslForms();
    writeFile(path("first.der"), first);
    writeFile(path("linked.sst"),
              crypto::encodeCertificates({linked(first), linked(second)}, crypto::CertificateFileForm::StoreFile));
    const auto damaged = [&](const std::string &from, size_t keep, const std::string &to) {
        Bytes bytes = readFile(path(from));
        bytes.resize(std::min(keep, bytes.size()));
        writeFile(path(to), bytes);
    };
    const Bytes pem = readFile(path("both.pem"));
    // With CR line ends; and after a block whose label a CR line end breaks, as a LF would.
    Bytes crPem = pem;
    std::replace(crPem.begin(), crPem.end(), static_cast<unsigned char>('\n'), static_cast<unsigned char>('\r'));
    writeFile(path("cr.pem"), crPem);
    const std::string brokenLabel = "-----BEGIN KEY\r-----\rAA==\r-----END KEY\r-----\r";
    Bytes afterBrokenLabel(brokenLabel.begin(), brokenLabel.end());
    afterBrokenLabel.insert(afterBrokenLabel.end(), crPem.begin(), crPem.end());
    writeFile(path("brokenlabel.pem"), afterBrokenLabel);
    Bytes badBase64 = pem;
    badBase64[pem.size() - 40] = '*';
    writeFile(path("bad.pem"), badBase64);
    damaged("first.der", first.size() / 2, "half.der");
    damaged("both.p7b.DER", 60, "half.p7b");
    damaged("linked.sst", 30, "half.sst");
    damaged("first.der", 0, "empty.cer");
    std::filesystem::copy_file(TEST_DATA_DIR "/damaged.pfx", path("damaged.pfx")); // a cut PKCS #12 file
    writeFile(path("key.pem"), Bytes{'-', '-', '-', '-', '-', 'B', 'E', 'G', 'I', 'N', ' ', 'K', 'E', 'Y', '-', '-',
                                     '-', '-', '-', '\n', 'A', 'A', '=', '=', '\n', '-', '-', '-', '-', '-', 'E',
                                     'N', 'D', ' ', 'K', 'E', 'Y', '-', '-', '-', '-', '-', '\n'});

    const std::vector<std::wstring> both{hashOf(first), hashOf(second)};
    const struct {
        const char *file;
        std::vector<std::wstring> hashes; // none: refused
    } cases[] = {
        {"first.der", {hashOf(first)}}, {"both.pem", both}, {"both.p7b.DER", both}, {"both.p7b.PEM", both},
        {"linked.sst", both},           {"bad.pem", {}},    {"half.der", {}},       {"half.p7b", {}},
        {"half.sst", {}},               {"empty.cer", {}},  {"key.pem", {}},        {"missing.cer", {}},
        {"cr.pem", both},               {"brokenlabel.pem", {}},  {"damaged.pfx", {}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file);
        if (c.hashes.empty()) {
            EXPECT_THROW(crypto::readCertificateFile(wide(path(c.file))), crypto::CryptException);
            continue;
        }
        const auto certificates = crypto::readCertificateFile(wide(path(c.file)));
        EXPECT_EQ(hashesOf(certificates), c.hashes);
        if (std::string(c.file) == "linked.sst") {
            EXPECT_EQ(certificates.at(1).keyContainerInfo(), L"Контейнер - Провайдер");
        }
    }
}

TEST_F(CertificateFiles, WritesEachFormSoThatOpensslReadsTheSameCertificates)
{
    const std::vector<crypto::CryptoCertificate> certificates{linked(first), linked(second)};
    const auto write = [&](const std::string &name, const std::vector<crypto::CryptoCertificate> &which,
                           crypto::CertificateFileForm form) {
        crypto::writeCertificateFile(wide(path(name)), which, form);
        return path(name);
    };
    const auto subjectsIn = [&](const std::string &pkcs7, const char *form) {
        return openssl({"pkcs7", "-inform", form, "-in", pkcs7, "-print_certs", "-noout"});
    };
    const std::string both = "subject=CN = Certificate 1\nissuer=CN = Certificate 1\n\n"
                             "subject=CN = Certificate 2\nissuer=CN = Certificate 2\n\n";

    EXPECT_EQ(readFile(write("one.cer", {certificates[0]}, crypto::CertificateFileForm::Der)), first);
    EXPECT_THROW(crypto::encodeCertificates(certificates, crypto::CertificateFileForm::Der), crypto::CryptException);
    openssl({"crl2pkcs7", "-nocrl", "-certfile", write("both.pem", certificates, crypto::CertificateFileForm::Base64),
             "-out", path("from-pem.p7b")});
    EXPECT_EQ(subjectsIn(path("from-pem.p7b"), "PEM"), both);
    EXPECT_EQ(subjectsIn(write("both.p7b", certificates, crypto::CertificateFileForm::Pkcs7), "DER"), both);
    const auto back =
        crypto::readCertificateFile(wide(write("both.sst", certificates, crypto::CertificateFileForm::StoreFile)));
    EXPECT_EQ(hashesOf(back), (std::vector<std::wstring>{hashOf(first), hashOf(second)}));
    EXPECT_EQ(back.at(0).keyContainerInfo(), L"Контейнер - Провайдер");
}

TEST_F(CertificateFiles, ExportReplacesOnlyARegularFileKeepingItsModeAndLinkAndWhatAKilledOneLeft)
{
    const std::vector<crypto::CryptoCertificate> one{linked(first)};
    writeFile(path("kept.cer"), {1});
    chmod(path("kept.cer").c_str(), 0600);
    writeFile(path("link.cer.~export"), {2}); // left by an export to that name that was killed
    std::filesystem::create_symlink("kept.cer", path("link.cer"));
    ASSERT_EQ(mkfifo(path("fifo.cer").c_str(), 0644), 0);
    crypto::writeCertificateFile(wide(path("link.cer")), one, crypto::CertificateFileForm::Der);
    EXPECT_TRUE(std::filesystem::is_symlink(path("link.cer")));
    EXPECT_EQ(readFile(path("kept.cer")), first);
    EXPECT_EQ(std::filesystem::status(path("kept.cer")).permissions(), std::filesystem::perms(0600));
    EXPECT_THROW(crypto::writeCertificateFile(wide(path("fifo.cer")), one, crypto::CertificateFileForm::Der),
                 crypto::CryptException);
    EXPECT_TRUE(std::filesystem::is_fifo(path("fifo.cer")));
    std::set<std::string> left;
    for (const auto &entry : std::filesystem::directory_iterator(dir.path()))
        left.insert(entry.path().filename());
    EXPECT_EQ(left, (std::set<std::string>{"fifo.cer", "kept.cer", "link.cer"})); // no temporary file
}

} // namespace
