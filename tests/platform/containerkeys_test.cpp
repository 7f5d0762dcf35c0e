// The keys of a key container and the certificates kept with them.
#include "keymedia.h"

#include "certfactory.h"

using namespace keymediatest;

namespace {

using ContainerKeys = KeyMedia;

// A subject as long as those of qualified certificates, which carry many attributes.
std::string longSubject()
{
    std::string subject =
        "/C=RU/ST=77/L=" + utf8(L"Москва") + "/O=" + utf8(L"Общество с ограниченной ответственностью");
    for (int i = 0; i < 30; ++i) // each within the 64 letters X.520 allows
        subject += "/OU=" + utf8(L"Отдел номер ") + std::to_string(i) + " " + std::string(40, 'x');
    return subject + "/CN=" + utf8(L"Иванов Иван Иванович");
}

} // namespace

TEST_F(ContainerKeys, TheExchangeKeyGivesTheCertificateKeptWithIt)
{
    const std::string folder = createContainer(localKeys(), "c");
    Provider provider = openGost(L"c");
    Key key = exchangeKey(provider);
    ASSERT_TRUE(key) << std::hex << GetLastError();
    DWORD size = 0;
    ASSERT_TRUE(CryptGetKeyParam(key.get(), KP_CERTIFICATE, nullptr, &size, 0));
    const Bytes expected = fileBytes(folder + "/exchange/certificate.der");
    EXPECT_EQ(size, expected.size());
    EXPECT_EQ(keyCertificate(key.get()), expected);
}

TEST_F(ContainerKeys, ACertificateOver2000BytesIsReadWhole)
{
    const std::string folder = createContainer(localKeys(), "big", longSubject());
    const Bytes expected = fileBytes(folder + "/exchange/certificate.der");
    ASSERT_GT(expected.size(), 2000u);
    Provider provider = openGost(L"big");
    Key key = exchangeKey(provider);
    const Bytes read = keyCertificate(key.get());
    EXPECT_EQ(read, expected);
    PCCERT_CONTEXT context =
        CertCreateCertificateContext(X509_ASN_ENCODING, read.data(), static_cast<DWORD>(read.size()));
    EXPECT_NE(context, nullptr) << std::hex << GetLastError();
    CertFreeCertificateContext(context);
}

TEST_F(ContainerKeys, AShortBufferGetsTheCertificatesSize)
{
    const std::string folder = createContainer(localKeys(), "c");
    Provider provider = openGost(L"c");
    Key key = exchangeKey(provider);
    Bytes buffer(100);
    DWORD size = static_cast<DWORD>(buffer.size());
    EXPECT_FALSE(CryptGetKeyParam(key.get(), KP_CERTIFICATE, buffer.data(), &size, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, fileBytes(folder + "/exchange/certificate.der").size());
}

TEST_F(ContainerKeys, AContainerWithOnlyASignatureKeyHasNoExchangeKey)
{
    createContainer(localKeys(), "signing", "/CN=Signer", {"--key", "signature"});
    Provider provider = openGost(L"signing");
    ASSERT_TRUE(provider);
    HCRYPTKEY handle = 0;
    EXPECT_FALSE(CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, &handle));
    EXPECT_EQ(GetLastError(), code(NTE_NO_KEY));
    ASSERT_TRUE(CryptGetUserKey(provider.get(), AT_SIGNATURE, &handle));
    Key signature(handle);
    EXPECT_FALSE(keyCertificate(signature.get()).empty());
}

TEST_F(ContainerKeys, AKeyWithoutCertificateSaysThereIsNone)
{
    const std::string source = createContainer(localKeys(), "source");
    medium("usb");
    const auto result = keymedium({"import", "--medium", mounts.file("usb"), "--name", "key only", "--private-key",
                                   source + "/exchange/private.pem"});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    Provider provider = openGost(L"key only");
    Key key = exchangeKey(provider);
    ASSERT_TRUE(key) << std::hex << GetLastError();
    DWORD size = 0;
    EXPECT_FALSE(CryptGetKeyParam(key.get(), KP_CERTIFICATE, nullptr, &size, 0));
    EXPECT_EQ(GetLastError(), code(SCARD_E_NO_SUCH_CERTIFICATE));
}

TEST_F(ContainerKeys, AKeyOutlivesItsReleasedContext)
{
    const std::string folder = createContainer(localKeys(), "c");
    Provider provider = openGost(L"c");
    Key key = exchangeKey(provider);
    provider.reset();
    EXPECT_EQ(keyCertificate(key.get()), fileBytes(folder + "/exchange/certificate.der"));
}

TEST_F(ContainerKeys, AMediumRemovedAfterOpeningLeavesNoKeyset)
{
    createContainer(medium("usb"), "c");
    Provider provider = openGost(L"c");
    ASSERT_TRUE(provider);
    removeMedium("usb");
    HCRYPTKEY handle = 0;
    EXPECT_FALSE(CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, &handle));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEYSET));
}

TEST_F(ContainerKeys, OnlyKnownKeySpecsAreKeys)
{
    createContainer(localKeys(), "c");
    Provider provider = openGost(L"c");
    HCRYPTKEY handle = 0;
    EXPECT_FALSE(CryptGetUserKey(provider.get(), 3, &handle));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEY));
}

TEST_F(ContainerKeys, KeyParametersTakeNoFlagsAndOnlyTheCertificate)
{
    createContainer(localKeys(), "c");
    Provider provider = openGost(L"c");
    Key key = exchangeKey(provider);
    DWORD size = 0;
    EXPECT_FALSE(CryptGetKeyParam(key.get(), KP_CERTIFICATE, nullptr, &size, 1));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_FLAGS));
    EXPECT_FALSE(CryptGetKeyParam(key.get(), 7 /* KP_ALGID */, nullptr, &size, 0));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_TYPE));
}

TEST_F(ContainerKeys, ADestroyedKeyIsNoLongerAHandle)
{
    createContainer(localKeys(), "c");
    Provider provider = openGost(L"c");
    HCRYPTKEY handle = 0;
    ASSERT_TRUE(CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, &handle));
    ASSERT_TRUE(CryptDestroyKey(handle));
    DWORD size = 0;
    EXPECT_FALSE(CryptGetKeyParam(handle, KP_CERTIFICATE, nullptr, &size, 0));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEY));
    EXPECT_FALSE(CryptDestroyKey(handle));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEY));
    EXPECT_FALSE(CryptDestroyKey(provider.get()));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEY));
}

TEST_F(ContainerKeys, ATokenCertificatesKeyUsageTellsItsKey)
{
    const struct {
        std::string label;
        Bytes certificate;
        DWORD keySpec, otherSpec;
    } cases[] = {
        {"encipherment", fileBytes(TEST_DATA_DIR "/rsa.der"), AT_KEYEXCHANGE, AT_SIGNATURE},
        {"signature only", fileBytes(TEST_DATA_DIR "/san-email.der"), AT_SIGNATURE, AT_KEYEXCHANGE},
        {"no key usage", testsupport::makeCertificate({}), AT_KEYEXCHANGE, AT_SIGNATURE},
    };
    SoftTokens tokens(environment);
    tokens.make("Card");
    for (const auto &c : cases)
        tokens.put("Card", c.certificate, std::to_string(10 + (&c - cases)), c.label.c_str());
    inChild([&] {
        for (const auto &c : cases) {
            Provider provider = openGost(fromUtf8(c.label).c_str());
            HCRYPTKEY handle = 0;
            EXPECT_FALSE(CryptGetUserKey(provider.get(), c.otherSpec, &handle)) << c.label;
            EXPECT_EQ(GetLastError(), code(NTE_NO_KEY)) << c.label;
            ASSERT_TRUE(CryptGetUserKey(provider.get(), c.keySpec, &handle)) << c.label;
            Key key(handle);
            EXPECT_EQ(keyCertificate(key.get()), c.certificate) << c.label;
        }
    });
}
