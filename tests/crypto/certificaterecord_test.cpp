// The certificate record: the texts the windows show, and the key link.
#include "crypto/certformat.h"
#include "crypto/certificate.h"
#include "crypto/cryptexception.h"

#include "certfactory.h"
#include "wine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

using crypto::CryptoCertificate;

namespace {

std::vector<BYTE> readData(const std::string &name)
{
    std::ifstream in(std::string(TEST_DATA_DIR) + "/" + name, std::ios::binary);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

CryptoCertificate load(const std::string &name)
{
    const std::vector<BYTE> der = readData(name);
    PCCERT_CONTEXT context =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    return CryptoCertificate::adopt(context);
}

class Locale {
public:
    Locale(const char *locale, const char *zone)
    {
        save("LC_ALL", locale);
        save("TZ", zone);
    }
    ~Locale()
    {
        for (auto &[name, value] : m_saved)
            value.empty() ? unsetenv(name.c_str()) : setenv(name.c_str(), value.c_str(), 1);
    }

private:
    void save(const char *name, const char *value)
    {
        const char *old = std::getenv(name);
        m_saved.emplace_back(name, old ? old : "");
        setenv(name, value, 1);
    }
    std::vector<std::pair<std::string, std::string>> m_saved;
};

} // namespace

TEST(HexText, AHashTextIsFortyDigitsThatParseBackToTheSameBytes)
{
    const CryptoCertificate certificate = load("rsa.der");
    const std::wstring hash = certificate.sha1Hash();
    ASSERT_EQ(hash.size(), 40u);
    EXPECT_EQ(hash.find_first_not_of(L"0123456789ABCDEF"), std::wstring::npos);
    EXPECT_EQ(crypto::hexToBytes(hash), testsupport::sha1Of(readData("rsa.der")));
    std::wstring lower = hash;
    for (wchar_t &c : lower)
        c = static_cast<wchar_t>(std::towlower(c));
    EXPECT_EQ(crypto::hexToBytes(lower), crypto::hexToBytes(hash));
}

TEST(HexText, SpacedTextStopsWhereItsBufferWouldEnd)
{
    std::vector<BYTE> bytes(30);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<BYTE>(i);
    EXPECT_EQ(crypto::bytesToHex(bytes.data(), 3, 1), L"00 01 02 ");
    EXPECT_EQ(crypto::bytesToHex(bytes.data(), 30, 1).size(), 63u);  // 21 bytes
    EXPECT_EQ(crypto::bytesToHex(bytes.data(), 30, -1).size(), 44u); // 22 bytes
    EXPECT_EQ(crypto::bytesToHexReversed(bytes.data(), 3, -1), L"020100");
    // A character that is no digit still takes its place.
    EXPECT_EQ(crypto::hexToBytes(L"1G3"), (std::vector<BYTE>{0x10, 0x30}));
}

TEST(CertificateTexts, KeyIdentifierIsTwentySpacedBytes)
{
    const CryptoCertificate certificate = load("gost2012.der");
    const std::wstring id = certificate.keyIdentifier();
    const std::vector<BYTE> expected = testsupport::subjectKeyIdOf(readData("gost2012.der"));
    ASSERT_EQ(expected.size(), 20u);
    EXPECT_EQ(id.size(), 60u);
    EXPECT_EQ(id.back(), L' ');
    EXPECT_EQ(id, crypto::bytesToHex(expected.data(), expected.size(), 1));
    EXPECT_EQ(load("no-ski.der").keyIdentifier(), L"");
}

TEST(CertificateTexts, SerialNumbersReadMostSignificantByteFirst)
{
    EXPECT_EQ(load("rsa.der").serialNumber(), L"010203");
    EXPECT_EQ(load("serial-leading-zero.der").serialNumber(), L"00FF00A1B2C3D4");
}

TEST(CertificateTexts, NamesAndTheFieldsCutFromThem)
{
    const CryptoCertificate gost = load("gost2012.der");
    const std::wstring subject = gost.subjectName(CERT_X500_NAME_STR);
    EXPECT_EQ(crypto::extractField(subject, L"CN=", L','), L"Иванов Иван Иванович");
    EXPECT_EQ(crypto::extractField(subject, L"O=", L','), L"Рога и копыта, ООО");
    EXPECT_EQ(gost.simpleDisplayName(), L"Иванов Иван Иванович");

    const CryptoCertificate comma = load("comma.der");
    EXPECT_EQ(crypto::extractField(comma.subjectName(CERT_X500_NAME_STR), L"O=", L','), L"Acme, Inc.");
    EXPECT_EQ(crypto::extractField(comma.issuerName(CERT_X500_NAME_STR), L"CN=", L','), L"Certinstall Test CA");

    EXPECT_EQ(crypto::extractField(L"CN=Test, O=Org, C=RU", L"CN=", L','), L"Test");
    EXPECT_EQ(crypto::extractField(L"CN=Test, O=Org, C=RU", L"O=", L','), L"Org");
    EXPECT_EQ(crypto::extractField(L"O=Org, C=RU", L"CN=", L','), L"");
    EXPECT_EQ(crypto::extractField(L"CN=\"Say \"\"hi\"\", all\"", L"CN=", L','), L"Say \"hi\", all");
}

TEST(CertificateTexts, DatesAreTheLongDateAndTimeOfTheUsersLocaleAndZone)
{
    testsupport::CertificateSpec spec;
    spec.notBeforeUnix = 2082738600; // 2035-12-31 18:30:00 UTC
    const std::vector<BYTE> der = testsupport::makeCertificate(spec);
    PCCERT_CONTEXT context =
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    const CryptoCertificate certificate = CryptoCertificate::adopt(context);
#ifdef _WIN32
    if (testsupport::runningUnderWine()) {
        wchar_t format[80] = {};
        GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLONGDATE, format, 80);
        if (std::wstring(format) != L"d MMMM yyyy 'г.'")
            GTEST_SKIP() << "Wine 8's Russian long date is not Windows' \"d MMMM yyyy 'г.'\" (it leads with the weekday)";
    }
#endif
    {
        Locale russian("ru_RU.UTF-8", "Europe/Moscow");
        EXPECT_EQ(certificate.notBefore(), L"31 декабря 2035 г. 21:30:00");
    }
#ifndef _WIN32
    // Windows reads the user's locale and zone from its settings, not from the environment:
    // tests/windows/winecheck.sh starts the tests in Russian and Moscow time.
    {
        Locale english("en_US.UTF-8", "UTC");
        EXPECT_EQ(certificate.notBefore(), L"December 31, 2035 6:30:00 PM");
    }
#endif
}

TEST(KeyLink, ShowsContainerAndProviderOrNothing)
{
    CryptoCertificate certificate = load("rsa.der");
    EXPECT_EQ(certificate.keyContainerInfo(), L"");

    CRYPT_KEY_PROV_INFO info{};
    info.pwszContainerName = const_cast<wchar_t *>(L"\\\\.\\FLASH\\Контейнер");
    info.pwszProvName = const_cast<wchar_t *>(L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider");
    info.dwProvType = 75;
    info.dwKeySpec = AT_KEYEXCHANGE;
    certificate.setProperty(&info, CERT_KEY_PROV_INFO_PROP_ID, 0);
    EXPECT_EQ(certificate.keyContainerInfo(),
              L"\\\\.\\FLASH\\Контейнер - Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider");

    info.pwszContainerName = nullptr; // a provider alone is not shown
    certificate.setProperty(&info, CERT_KEY_PROV_INFO_PROP_ID, 0);
    EXPECT_EQ(certificate.keyContainerInfo(), L"");
}

TEST(CertificateRecord, CopiesHoldTheirOwnReferenceAndReleaseOnce)
{
    CryptoCertificate first = load("ec.der");
    CryptoCertificate second = first;
    EXPECT_EQ(second.context(), first.context());
    EXPECT_TRUE(first.release());
    EXPECT_TRUE(first.empty());
    EXPECT_FALSE(first.release());
    EXPECT_EQ(second.serialNumber(), L"02"); // still whole
}

TEST(CertificateRecord, ASettingThatFailsThrowsTheSystemText)
{
    CryptoCertificate certificate = load("ec.der");
    CRYPT_DATA_BLOB blob{1, reinterpret_cast<BYTE *>(const_cast<char *>("x"))};
    try {
        certificate.setProperty(&blob, 32, 0); // the certificate element's own id
        FAIL() << "no exception";
    } catch (const crypto::CryptException &e) {
        EXPECT_EQ(e.message(), crypto::systemErrorText(static_cast<DWORD>(E_INVALIDARG)));
        EXPECT_FALSE(e.message().empty());
    }
}
