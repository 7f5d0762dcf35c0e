// Certificate contexts: what CERT_INFO holds, reference counting, and properties.
#include <wincrypt.h>

#include "certfactory.h"

#include <gtest/gtest.h>

#include <openssl/x509.h>

#include <cstring>

using testsupport::Bytes;

namespace {

struct ContextDeleter {
    void operator()(PCCERT_CONTEXT c) const { CertFreeCertificateContext(c); }
};
using Context = std::unique_ptr<const CERT_CONTEXT, ContextDeleter>;

Context create(const Bytes &der)
{
    return Context(CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
}

Bytes subjectDer(const Bytes &der)
{
    const unsigned char *p = der.data();
    X509 *x = d2i_X509(nullptr, &p, static_cast<long>(der.size()));
    unsigned char *out = nullptr;
    int len = i2d_X509_NAME(X509_get_subject_name(x), &out);
    Bytes name(out, out + len);
    OPENSSL_free(out);
    X509_free(x);
    return name;
}

std::uint64_t ticks(const FILETIME &t) { return static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime; }

Bytes property(PCCERT_CONTEXT c, DWORD id)
{
    DWORD size = 0;
    if (!CertGetCertificateContextProperty(c, id, nullptr, &size))
        return {};
    Bytes out(size);
    if (!CertGetCertificateContextProperty(c, id, out.data(), &size))
        return {};
    out.resize(size);
    return out;
}

} // namespace

TEST(CertificateInfo, HoldsTheFieldsAsWindowsDecodesThem)
{
    testsupport::CertificateSpec spec;
    spec.commonName = "Иванов Иван";
    spec.serial = {0xFF, 0x01, 0x02}; // DER needs a leading zero byte for this one
    const Bytes der = testsupport::makeCertificate(spec);
    Context c = create(der);
    ASSERT_TRUE(c);
    const CERT_INFO *info = c->pCertInfo;

    EXPECT_EQ(c->dwCertEncodingType, static_cast<DWORD>(X509_ASN_ENCODING));
    EXPECT_EQ(Bytes(c->pbCertEncoded, c->pbCertEncoded + c->cbCertEncoded), der);
    EXPECT_EQ(info->dwVersion, 2u);
    // Least significant byte first, the sign byte kept.
    EXPECT_EQ(Bytes(info->SerialNumber.pbData, info->SerialNumber.pbData + info->SerialNumber.cbData),
              (Bytes{0x02, 0x01, 0xFF, 0x00}));
    const Bytes subject = subjectDer(der);
    EXPECT_EQ(Bytes(info->Subject.pbData, info->Subject.pbData + info->Subject.cbData), subject);
    EXPECT_EQ(Bytes(info->Issuer.pbData, info->Issuer.pbData + info->Issuer.cbData), subject);
    // 100-ns ticks since 1601-01-01.
    EXPECT_EQ(ticks(info->NotBefore), (2051222400ULL + 11644473600ULL) * 10000000ULL);
    EXPECT_EQ(ticks(info->NotAfter), (2082758400ULL + 11644473600ULL) * 10000000ULL);
    EXPECT_STREQ(info->SignatureAlgorithm.pszObjId, "1.2.840.10045.4.3.2");
    EXPECT_STREQ(info->SubjectPublicKeyInfo.Algorithm.pszObjId, "1.2.840.10045.2.1");
    EXPECT_EQ(info->SubjectPublicKeyInfo.PublicKey.cbData, 65u);

    ASSERT_EQ(info->cExtension, 1u);
    EXPECT_STREQ(info->rgExtension[0].pszObjId, "2.5.29.14");
    EXPECT_FALSE(info->rgExtension[0].fCritical);
    EXPECT_EQ(info->rgExtension[0].Value.cbData, 22u); // OCTET STRING of a 20-byte identifier
    EXPECT_EQ(info->rgExtension[0].Value.pbData[0], 0x04);
}

TEST(CertificateInfo, BadEncodingsGiveNoContextAndAnAsn1Error)
{
    const Bytes der = testsupport::makeNumberedCertificate(1);
    const Bytes garbage{0x13, 0x37, 0x00, 0x42};
    EXPECT_EQ(CertCreateCertificateContext(X509_ASN_ENCODING, garbage.data(), 4), nullptr);
    EXPECT_EQ(GetLastError() & 0xFFFFFF00u, 0x80093100u) << std::hex << GetLastError();

    EXPECT_EQ(CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size() - 10)),
              nullptr);
    EXPECT_EQ(GetLastError() & 0xFFFFFF00u, 0x80093100u);

    Bytes trailing = der;
    trailing.push_back(0);
    EXPECT_EQ(create(trailing), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT));

    EXPECT_EQ(CertCreateCertificateContext(X509_ASN_ENCODING, nullptr, 0), nullptr);
    EXPECT_NE(GetLastError(), 0u);
}

TEST(CertificateContexts, AreReferenceCounted)
{
    Context original = create(testsupport::makeNumberedCertificate(2));
    ASSERT_TRUE(original);
    PCCERT_CONTEXT copy = CertDuplicateCertificateContext(original.get());
    EXPECT_EQ(copy, original.get());
    original.reset();
    // The duplicate is still a whole certificate.
    EXPECT_EQ(copy->pCertInfo->dwVersion, 2u);
    EXPECT_TRUE(CertFreeCertificateContext(copy));
    EXPECT_TRUE(CertFreeCertificateContext(nullptr));
    EXPECT_EQ(CertDuplicateCertificateContext(nullptr), nullptr);
}

TEST(CertificateProperties, Sha1HashIsComputedFromTheEncodingWithTheSizeQuery)
{
    const Bytes der = testsupport::makeNumberedCertificate(3);
    Context c = create(der);
    DWORD size = 0;
    ASSERT_TRUE(CertGetCertificateContextProperty(c.get(), CERT_SHA1_HASH_PROP_ID, nullptr, &size));
    EXPECT_EQ(size, 20u);
    BYTE small[10];
    size = sizeof small;
    EXPECT_FALSE(CertGetCertificateContextProperty(c.get(), CERT_SHA1_HASH_PROP_ID, small, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 20u);
    EXPECT_EQ(property(c.get(), CERT_SHA1_HASH_PROP_ID), testsupport::sha1Of(der));
}

TEST(CertificateProperties, AHashCannotBeSetToAnotherValue)
{
    Context c = create(testsupport::makeNumberedCertificate(4));
    BYTE wrong[20] = {1, 2, 3};
    CRYPT_DATA_BLOB blob{20, wrong};
    EXPECT_FALSE(CertSetCertificateContextProperty(c.get(), CERT_SHA1_HASH_PROP_ID, 0, &blob));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(E_INVALIDARG));
    EXPECT_EQ(property(c.get(), CERT_SHA1_HASH_PROP_ID), testsupport::sha1Of(Bytes(c->pbCertEncoded,
                                                                               c->pbCertEncoded + c->cbCertEncoded)));
}

TEST(CertificateProperties, KeyLinkIsADeepCopyReadBackAsOneBuffer)
{
    Context c = create(testsupport::makeNumberedCertificate(5));
    DWORD size = 0;
    EXPECT_FALSE(CertGetCertificateContextProperty(c.get(), CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_NOT_FOUND));

    std::wstring container = L"\\\\.\\FLASH\\Контейнер 1";
    std::wstring provider = L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider";
    BYTE paramData[3] = {7, 8, 9};
    CRYPT_KEY_PROV_PARAM param{42, paramData, 3, 0};
    CRYPT_KEY_PROV_INFO info{};
    info.pwszContainerName = container.data();
    info.pwszProvName = provider.data();
    info.dwProvType = 75;
    info.cProvParam = 1;
    info.rgProvParam = &param;
    info.dwKeySpec = AT_KEYEXCHANGE;
    ASSERT_TRUE(CertSetCertificateContextProperty(c.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
    container.assign(container.size(), L'x'); // the context must not keep the caller's pointers
    paramData[0] = 0;

    Bytes buffer = property(c.get(), CERT_KEY_PROV_INFO_PROP_ID);
    ASSERT_GE(buffer.size(), sizeof(CRYPT_KEY_PROV_INFO));
    auto *read = reinterpret_cast<const CRYPT_KEY_PROV_INFO *>(buffer.data());
    EXPECT_STREQ(read->pwszContainerName, L"\\\\.\\FLASH\\Контейнер 1");
    EXPECT_EQ(std::wstring(read->pwszProvName), provider);
    EXPECT_EQ(read->dwProvType, 75u);
    EXPECT_EQ(read->dwKeySpec, static_cast<DWORD>(AT_KEYEXCHANGE));
    ASSERT_EQ(read->cProvParam, 1u);
    EXPECT_EQ(read->rgProvParam[0].dwParam, 42u);
    EXPECT_EQ(Bytes(read->rgProvParam[0].pbData, read->rgProvParam[0].pbData + 3), (Bytes{7, 8, 9}));
    // Everything the structure points to lies inside the one buffer.
    auto inside = [&](const void *p) {
        return p >= static_cast<const void *>(buffer.data()) &&
               p < static_cast<const void *>(buffer.data() + buffer.size());
    };
    EXPECT_TRUE(inside(read->pwszContainerName) && inside(read->pwszProvName) && inside(read->rgProvParam));

    EXPECT_EQ(property(c.get(), CERT_KEY_SPEC_PROP_ID), (Bytes{1, 0, 0, 0}));

    ASSERT_TRUE(CertSetCertificateContextProperty(c.get(), CERT_KEY_PROV_INFO_PROP_ID, 0, nullptr));
    EXPECT_TRUE(property(c.get(), CERT_KEY_PROV_INFO_PROP_ID).empty());
}

TEST(CertificateProperties, OtherPropertiesAreKeptAsBytesAndEnumerated)
{
    Context c = create(testsupport::makeNumberedCertificate(6));
    BYTE name[] = {'n', 0, 0, 0};
    CRYPT_DATA_BLOB blob{sizeof name, name};
    ASSERT_TRUE(CertSetCertificateContextProperty(c.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &blob));
    EXPECT_EQ(property(c.get(), CERT_FRIENDLY_NAME_PROP_ID), Bytes(name, name + sizeof name));

    std::vector<DWORD> ids;
    for (DWORD id = CertEnumCertificateContextProperties(c.get(), 0); id;
         id = CertEnumCertificateContextProperties(c.get(), id))
        ids.push_back(id);
    EXPECT_EQ(ids, (std::vector<DWORD>{CERT_SHA1_HASH_PROP_ID, CERT_FRIENDLY_NAME_PROP_ID}));

    CRYPT_DATA_BLOB element{1, name};
    EXPECT_FALSE(CertSetCertificateContextProperty(c.get(), 32, 0, &element)); // the certificate element's id
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(E_INVALIDARG));
}

TEST(CertificateNames, FriendlyDisplayNameIsTheFriendlyNamePropertyElseTheSimpleName)
{
    testsupport::CertificateSpec spec;
    spec.commonName = "Петров";
    Context c = create(testsupport::makeCertificate(spec));
    wchar_t text[64];
    ASSERT_EQ(CertGetNameStringW(c.get(), CERT_NAME_FRIENDLY_DISPLAY_TYPE, 0, nullptr, text, 64), 7u);
    EXPECT_STREQ(text, L"Петров");

    const BYTE utf16[] = {0x1F, 0x04, 0x40, 0x04, 0x38, 0x04, 0, 0}; // "При", as store files keep it
    CRYPT_DATA_BLOB blob{sizeof utf16, const_cast<BYTE *>(utf16)};
    ASSERT_TRUE(CertSetCertificateContextProperty(c.get(), CERT_FRIENDLY_NAME_PROP_ID, 0, &blob));
    ASSERT_EQ(CertGetNameStringW(c.get(), CERT_NAME_FRIENDLY_DISPLAY_TYPE, 0, nullptr, text, 64), 4u);
    EXPECT_STREQ(text, L"При");
    EXPECT_EQ(CertGetNameStringW(c.get(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, text, 64), 7u);
}
