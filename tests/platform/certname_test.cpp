// CertGetNameStringW: the names of a certificate that the windows display.
#include "derbuilder.h"
#include "testcertificate.h"

#include <wincrypt.h>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const char kCountry[] = "2.5.4.6";
const char kOrganization[] = "2.5.4.10";
const char kOrganizationalUnit[] = "2.5.4.11";
const char kEmail[] = "1.2.840.113549.1.9.1";

// The whole name through the documented two calls: size, then the string.
std::wstring nameString(PCCERT_CONTEXT context, DWORD type, DWORD flags = 0, void *typePara = nullptr)
{
    const DWORD needed = CertGetNameStringW(context, type, flags, typePara, nullptr, 0);
    std::wstring text(needed, L'?');
    EXPECT_EQ(CertGetNameStringW(context, type, flags, typePara, &text[0], needed), needed);
    EXPECT_EQ(text[needed - 1], L'\0');
    text.resize(needed - 1);
    return text;
}

std::wstring simpleDisplayName(PCCERT_CONTEXT context, DWORD flags = 0)
{
    return nameString(context, CERT_NAME_SIMPLE_DISPLAY_TYPE, flags);
}

// GeneralNames holding one rfc822Name ([1] IMPLICIT IA5String).
Bytes emailAltName(const std::string &email) { return tlv(kSequence, tlv(0x81, bytesOf(email))); }

// GeneralNames holding one directoryName ([4] EXPLICIT Name).
Bytes directoryAltName(const Bytes &encodedName) { return tlv(kSequence, tlv(0xA4, encodedName)); }

// GeneralNames holding one otherName ([0] IMPLICIT SEQUENCE { type-id, [0] EXPLICIT value }).
Bytes otherAltName(const std::string &typeOid, const Bytes &encodedValue)
{
    Bytes body = oid(typeOid);
    const Bytes value = tlv(0xA0, encodedValue);
    body.insert(body.end(), value.begin(), value.end());
    return tlv(kSequence, tlv(0xA0, body));
}

const char kUpn[] = "1.3.6.1.4.1.311.20.2.3";

} // namespace

TEST(SimpleDisplayName, IsTheCommonName)
{
    TestCertificate certificate("rsa.der");
    EXPECT_EQ(simpleDisplayName(certificate.context()), L"RSA Test");
}

TEST(SimpleDisplayName, IsTheCyrillicCommonNameOfARussianCertificate)
{
    TestCertificate certificate("gost2012.der");
    EXPECT_EQ(simpleDisplayName(certificate.context()), L"Иванов Иван Иванович");
}

TEST(SimpleDisplayName, IsTheFirstCommonNameOfAMultiValuedRdn)
{
    TestCertificate certificate("multivalued.der");
    EXPECT_EQ(simpleDisplayName(certificate.context()), L"Alice");
}

TEST(SimpleDisplayName, WithoutCommonNameIsTheOrganizationalUnitBeforeTheOrganization)
{
    SyntheticCertificate certificate(simpleName({{kOrganization, L"Org"}, {kOrganizationalUnit, L"Unit"}}));
    EXPECT_EQ(simpleDisplayName(certificate.context()), L"Unit");
}

TEST(SimpleDisplayName, WithoutCommonNameIsTheOrganization)
{
    TestCertificate certificate("no-cn.der");
    EXPECT_EQ(simpleDisplayName(certificate.context()), L"Only Org");
}

TEST(SimpleDisplayName, WithoutNamesIsTheEmailAttribute)
{
    SyntheticCertificate certificate(name(
        {rdn({utf8Attribute(kCountry, L"RU")}), rdn({attribute(kEmail, kIa5String, bytesOf("me@mail.example"))})}));
    EXPECT_EQ(simpleDisplayName(certificate.context()), L"me@mail.example");
}

TEST(SimpleDisplayName, WithoutNameAttributesIsTheAlternativeNameEmail)
{
    TestCertificate certificate("san-email.der");
    EXPECT_EQ(simpleDisplayName(certificate.context()), L"san@mail.example");
}

TEST(SimpleDisplayName, ReadsTheOldAlternativeNameExtensionToo)
{
    SyntheticCertificate certificate(simpleName({{kCountry, L"RU"}}), {},
                                     {{szOID_SUBJECT_ALT_NAME, emailAltName("old@mail.example")}});
    EXPECT_EQ(simpleDisplayName(certificate.context()), L"old@mail.example");
}

TEST(SimpleDisplayName, OtherwiseIsTheFirstAttribute)
{
    TestCertificate certificate("no-ski.der");
    EXPECT_EQ(simpleDisplayName(certificate.context()), L"RU");
}

TEST(SimpleDisplayName, ForAnEmptySubjectComesFromTheAlternativeDirectoryName)
{
    SyntheticCertificate certificate(
        name({}), {}, {{szOID_SUBJECT_ALT_NAME2, directoryAltName(simpleName({{kOrganization, L"Dir Org"}}))}});
    EXPECT_EQ(simpleDisplayName(certificate.context()), L"Dir Org");
}

TEST(SimpleDisplayName, IsNotQuoted)
{
    SyntheticCertificate certificate(simpleName({{kCountry, L"US"}, {kOrganization, L"Acme, \"Best\" Inc."}}));
    EXPECT_EQ(simpleDisplayName(certificate.context()), L"Acme, \"Best\" Inc.");
}

TEST(SimpleDisplayName, IgnoresTheTypeParameter)
{
    TestCertificate certificate("rsa.der");
    char oid[] = "2.5.29.7";
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, oid), L"RSA Test");
}

TEST(SimpleDisplayName, IssuerFlagReadsTheIssuer)
{
    TestCertificate certificate("rsa.der");
    EXPECT_EQ(simpleDisplayName(certificate.context(), CERT_NAME_ISSUER_FLAG), L"Certinstall Test CA");
}

TEST(NameStringKinds, EmailIsTheAlternativeNameEmailFirst)
{
    TestCertificate certificate("san-email.der");
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_EMAIL_TYPE), L"san@mail.example");
}

TEST(NameStringKinds, EmailFallsBackToTheEmailAttribute)
{
    TestCertificate certificate("gost2012.der");
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_EMAIL_TYPE), L"ivanov@roga.example");
}

TEST(NameStringKinds, RdnIsTheNameInTheRequestedForm)
{
    TestCertificate certificate("rsa.der");
    DWORD strType = CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG;
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_RDN_TYPE, 0, &strType),
              L"CN=RSA Test, O=Certinstall Tests, C=RU");
}

TEST(NameStringKinds, AttributeIsTheFirstValueOfThatOidUnquoted)
{
    TestCertificate certificate("gost2012.der");
    char organization[] = "2.5.4.10";
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_ATTR_TYPE, 0, organization), L"Рога и копыта, ООО");
}

TEST(NameStringKinds, AttributeReadsAttributesWithoutKeyNames)
{
    TestCertificate certificate("gost2012.der");
    char inn[] = "1.2.643.3.131.1.1";
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_ATTR_TYPE, 0, inn), L"007712345678");
}

TEST(NameStringKinds, DnsIsTheAlternativeDnsName)
{
    TestCertificate certificate("san-email.der");
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_DNS_TYPE), L"host.san.example");
}

TEST(NameStringKinds, DnsFallsBackToTheCommonName)
{
    TestCertificate certificate("rsa.der");
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_DNS_TYPE), L"RSA Test");
}

TEST(NameStringKinds, UrlIsTheAlternativeUri)
{
    TestCertificate certificate("san-email.der");
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_URL_TYPE), L"https://san.example/");
}

TEST(NameStringKinds, UpnIsThePrincipalNameOtherName)
{
    TestCertificate certificate("san-email.der");
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_UPN_TYPE), L"upn-user@upn.example");
}

TEST(NameStringKinds, UpnHeldAsAnotherStringTypeIsRead)
{
    SyntheticCertificate certificate(simpleName({{kCountry, L"RU"}}), {},
                                     {{szOID_SUBJECT_ALT_NAME2, otherAltName(kUpn, tlv(kIa5String, bytesOf("u@upn")))}});
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_UPN_TYPE), L"u@upn");
}

TEST(NameStringKinds, UpnThatIsNotAStringIsAbsent)
{
    SyntheticCertificate certificate(simpleName({{kCountry, L"RU"}}), {},
                                     {{szOID_SUBJECT_ALT_NAME2, otherAltName(kUpn, {0x01, 0x01, 0xFF})}});
    EXPECT_EQ(nameString(certificate.context(), CERT_NAME_UPN_TYPE), L"");
}

class MissingNameString : public ::testing::TestWithParam<DWORD> {};

TEST_P(MissingNameString, IsAnEmptyStringOfOneCharacter)
{
    TestCertificate certificate("rsa.der");
    char absentOid[] = "1.2.643.100.1";
    wchar_t buffer[8] = L"junk";
    EXPECT_EQ(CertGetNameStringW(certificate.context(), GetParam(), 0, absentOid, buffer, 8), 1u);
    EXPECT_STREQ(buffer, L"");
}

INSTANTIATE_TEST_SUITE_P(Types, MissingNameString,
                         ::testing::Values(DWORD(CERT_NAME_EMAIL_TYPE), DWORD(CERT_NAME_ATTR_TYPE),
                                           DWORD(CERT_NAME_URL_TYPE), DWORD(CERT_NAME_UPN_TYPE)));

TEST(NameStringSize, QueryCountsTheTerminatingZero)
{
    TestCertificate certificate("gost2012.der");
    EXPECT_EQ(CertGetNameStringW(certificate.context(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0),
              std::wstring(L"Иванов Иван Иванович").size() + 1);
}

TEST(NameStringSize, ShortBufferIsTruncatedAndTerminated)
{
    TestCertificate certificate("gost2012.der");
    wchar_t buffer[10];
    std::fill(std::begin(buffer), std::end(buffer), L'x');
    EXPECT_EQ(CertGetNameStringW(certificate.context(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, buffer, 7), 7u);
    EXPECT_EQ(std::wstring(buffer), L"Иванов");
    EXPECT_EQ(buffer[7], L'x');
}

TEST(NameStringErrors, NoContextGivesAnEmptyStringAndInvalidArgument)
{
    wchar_t buffer[8] = L"junk";
    SetLastError(0);
    EXPECT_EQ(CertGetNameStringW(nullptr, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, buffer, 8), 1u);
    EXPECT_STREQ(buffer, L"");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(E_INVALIDARG));
}

TEST(NameStringErrors, DamagedSubjectGivesAnEmptyStringAndTheAsn1Error)
{
    Bytes truncated = simpleName({{kOrganization, L"Org"}});
    truncated.pop_back();
    SyntheticCertificate certificate(truncated);
    SetLastError(0);
    EXPECT_EQ(CertGetNameStringW(certificate.context(), CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, nullptr, 0), 1u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_ASN1_EOD));
}
