// CertNameToStrW: encoded names as X.500 text.
#include "derbuilder.h"
#include "testcertificate.h"

#include <wincrypt.h>

#include <gtest/gtest.h>

using namespace testing_support;

namespace {

const char kCommonName[] = "2.5.4.3";
const char kOrganization[] = "2.5.4.10";

// The whole text through the documented two calls: size, then the string.
std::wstring nameText(CERT_NAME_BLOB &blob, DWORD strType)
{
    const DWORD needed = CertNameToStrW(X509_ASN_ENCODING, &blob, strType, nullptr, 0);
    std::wstring text(needed, L'?');
    const DWORD written = CertNameToStrW(X509_ASN_ENCODING, &blob, strType, &text[0], needed);
    EXPECT_EQ(written, needed);
    EXPECT_EQ(text[needed - 1], L'\0');
    text.resize(needed - 1);
    return text;
}

std::wstring nameText(Bytes encoded, DWORD strType = CERT_X500_NAME_STR)
{
    CERT_NAME_BLOB blob{static_cast<DWORD>(encoded.size()), encoded.data()};
    return nameText(blob, strType);
}

std::wstring subjectText(const std::string &file, DWORD strType = CERT_X500_NAME_STR)
{
    TestCertificate certificate(file);
    return nameText(certificate.info().Subject, strType);
}

// A one-attribute name whose value has the given tag and contents, as X.500 text.
std::wstring valueText(BYTE tag, const Bytes &contents, const std::string &attributeOid = kCommonName)
{
    return nameText(name({rdn({attribute(attributeOid, tag, contents)})}));
}

} // namespace

TEST(NameOrder, RdnsAppearInEncodedOrder)
{
    EXPECT_EQ(subjectText("rsa.der"), L"C=RU, O=Certinstall Tests, CN=RSA Test");
}

TEST(NameOrder, ReverseFlagPutsTheLastRdnFirst)
{
    EXPECT_EQ(subjectText("rsa.der", CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG),
              L"CN=RSA Test, O=Certinstall Tests, C=RU");
}

TEST(NameOrder, ReverseFlagKeepsTheOrderInsideAMultiValuedRdn)
{
    EXPECT_EQ(subjectText("multivalued.der", CERT_X500_NAME_STR | CERT_NAME_STR_REVERSE_FLAG),
              L"CN=Alice + OU=Sales, O=Multi Org");
}

TEST(NameStrTypes, SimpleNameShowsValuesOnly)
{
    EXPECT_EQ(subjectText("rsa.der", CERT_SIMPLE_NAME_STR), L"RU, Certinstall Tests, RSA Test");
}

TEST(NameStrTypes, OidNameShowsDottedIdentifiers)
{
    EXPECT_EQ(subjectText("rsa.der", CERT_OID_NAME_STR), L"2.5.4.6=RU, 2.5.4.10=Certinstall Tests, 2.5.4.3=RSA Test");
}

TEST(NameStrTypes, UnknownStrTypeGivesEmptyTextAndInvalidArgument)
{
    Bytes encoded = simpleName({{kCommonName, L"x"}});
    CERT_NAME_BLOB blob{static_cast<DWORD>(encoded.size()), encoded.data()};
    wchar_t buffer[8] = L"junk";
    SetLastError(0);
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_XML_NAME_STR, buffer, 8), 1u);
    EXPECT_STREQ(buffer, L"");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(E_INVALIDARG));
}

TEST(NameKeys, RussianCertificateShowsKeysAndOidsForInnOgrnSnils)
{
    EXPECT_EQ(subjectText("gost2012.der"),
              L"C=RU, L=Москва, O=\"Рога и копыта, ООО\", CN=Иванов Иван Иванович, SN=Иванов, "
              L"G=Иван Иванович, E=ivanov@roga.example, OID.1.2.643.3.131.1.1=007712345678, "
              L"OID.1.2.643.100.1=1027700132195, OID.1.2.643.100.3=12345678901");
}

struct KeyCase {
    const char *oid;
    const wchar_t *key;
};

class NameKeyTable : public ::testing::TestWithParam<KeyCase> {};

TEST_P(NameKeyTable, AttributeIsWrittenWithItsKey)
{
    EXPECT_EQ(nameText(simpleName({{GetParam().oid, L"v"}})), std::wstring(GetParam().key) + L"=v");
}

INSTANTIATE_TEST_SUITE_P(
    X500Keys, NameKeyTable,
    ::testing::Values(KeyCase{"2.5.4.3", L"CN"}, KeyCase{"2.5.4.7", L"L"}, KeyCase{"2.5.4.10", L"O"},
                      KeyCase{"2.5.4.11", L"OU"}, KeyCase{"1.2.840.113549.1.9.1", L"E"}, KeyCase{"2.5.4.6", L"C"},
                      KeyCase{"2.5.4.8", L"S"}, KeyCase{"2.5.4.9", L"STREET"}, KeyCase{"2.5.4.12", L"T"},
                      KeyCase{"2.5.4.42", L"G"}, KeyCase{"2.5.4.43", L"I"}, KeyCase{"2.5.4.4", L"SN"},
                      KeyCase{"2.5.4.5", L"SERIALNUMBER"}, KeyCase{"0.9.2342.19200300.100.1.25", L"DC"},
                      KeyCase{"2.5.4.13", L"Description"}, KeyCase{"2.5.4.17", L"PostalCode"},
                      KeyCase{"2.5.4.18", L"POBox"}, KeyCase{"2.5.4.20", L"Phone"}, KeyCase{"2.5.4.24", L"X21Address"},
                      KeyCase{"2.5.4.46", L"dnQualifier"}, KeyCase{"2.5.4.15", L"OID.2.5.4.15"},
                      KeyCase{"1.2.3.4.5", L"OID.1.2.3.4.5"}));

TEST(NameQuoting, ValueWithACommaIsQuoted)
{
    EXPECT_EQ(subjectText("comma.der"), L"C=US, O=\"Acme, Inc.\", CN=Comma Test");
}

class NameQuotingCharacter : public ::testing::TestWithParam<wchar_t> {};

TEST_P(NameQuotingCharacter, ValueHoldingTheCharacterIsQuoted)
{
    const wchar_t c = GetParam();
    const std::wstring inner = c == L'"' ? L"\"\"" : std::wstring(1, c);
    EXPECT_EQ(nameText(simpleName({{kCommonName, std::wstring(L"a") + c + L"b"}})), L"CN=\"a" + inner + L"b\"");
}

INSTANTIATE_TEST_SUITE_P(SpecialCharacters, NameQuotingCharacter,
                         ::testing::Values(L',', L'+', L'=', L'"', L'\n', L'<', L'>', L'#', L';'));

TEST(NameQuoting, LeadingSpaceIsQuoted) { EXPECT_EQ(nameText(simpleName({{kCommonName, L" lead"}})), L"CN=\" lead\""); }

TEST(NameQuoting, TrailingSpaceIsQuoted)
{
    EXPECT_EQ(nameText(simpleName({{kCommonName, L"trail "}})), L"CN=\"trail \"");
}

TEST(NameQuoting, EmptyValueIsQuoted)
{
    EXPECT_EQ(nameText(simpleName({{kCommonName, L""}, {kOrganization, L"Org"}})), L"CN=\"\", O=Org");
}

TEST(NameQuoting, InnerQuotesAreDoubled)
{
    EXPECT_EQ(nameText(simpleName({{kCommonName, L"Joe \"Cool\""}})), L"CN=\"Joe \"\"Cool\"\"\"");
}

TEST(NameQuoting, InnerSpacesAloneDoNotQuote)
{
    EXPECT_EQ(nameText(simpleName({{kCommonName, L"two  spaces"}})), L"CN=two  spaces");
}

TEST(NameQuoting, SimpleNameIsQuotedToo)
{
    EXPECT_EQ(subjectText("comma.der", CERT_SIMPLE_NAME_STR), L"US, \"Acme, Inc.\", Comma Test");
}

TEST(NameQuoting, NoQuotingFlagWritesValuesAsTheyAre)
{
    EXPECT_EQ(nameText(simpleName({{kCommonName, L"Joe \"Cool\", Jr."}, {kOrganization, L""}}),
                       CERT_X500_NAME_STR | CERT_NAME_STR_NO_QUOTING_FLAG),
              L"CN=Joe \"Cool\", Jr., O=");
}

TEST(NameSeparators, MultiValuedRdnIsJoinedWithPlus)
{
    EXPECT_EQ(subjectText("multivalued.der"), L"O=Multi Org, CN=Alice + OU=Sales");
}

TEST(NameSeparators, NoPlusFlagJoinsMultiValuedRdnWithASpace)
{
    EXPECT_EQ(subjectText("multivalued.der", CERT_X500_NAME_STR | CERT_NAME_STR_NO_PLUS_FLAG),
              L"O=Multi Org, CN=Alice OU=Sales");
}

TEST(NameSeparators, SemicolonFlagSeparatesRdnsWithSemicolons)
{
    EXPECT_EQ(subjectText("rsa.der", CERT_X500_NAME_STR | CERT_NAME_STR_SEMICOLON_FLAG),
              L"C=RU; O=Certinstall Tests; CN=RSA Test");
}

TEST(NameSeparators, CrlfFlagPutsEachRdnOnItsOwnLine)
{
    EXPECT_EQ(subjectText("rsa.der", CERT_X500_NAME_STR | CERT_NAME_STR_CRLF_FLAG),
              L"C=RU\r\nO=Certinstall Tests\r\nCN=RSA Test");
}

TEST(NameSeparators, CommaFlagKeepsTheCommaSeparator)
{
    EXPECT_EQ(subjectText("rsa.der", CERT_X500_NAME_STR | CERT_NAME_STR_COMMA_FLAG),
              L"C=RU, O=Certinstall Tests, CN=RSA Test");
}

TEST(NameStringTypes, OpensslNarrowestTypesDecode)
{
    // C and O PrintableString, L T61String in Latin-1, CN BMPString, E IA5String.
    EXPECT_EQ(subjectText("string-types.der"), L"C=DE, L=München, O=Printable Org, CN=Тест BMP, E=types@mail.example");
}

TEST(NameStringTypes, Utf8StringBeyondTheBmpIsOneCharacter)
{
    EXPECT_EQ(valueText(kUtf8String, utf8(L"x\U0001F600")), L"CN=x\U0001F600");
}

TEST(NameStringTypes, MalformedUtf8BecomesReplacementCharacters)
{
    EXPECT_EQ(valueText(kUtf8String, {'a', 0xC3, 'b'}), L"CN=a\uFFFDb");
}

TEST(NameStringTypes, T61StringHoldingUtf8IsReadAsUtf8)
{
    EXPECT_EQ(valueText(kT61String, utf8(L"Zoë Тест")), L"CN=Zoë Тест");
}

TEST(NameStringTypes, T61StringThatIsNotUtf8IsReadAsLatin1)
{
    EXPECT_EQ(valueText(kT61String, {'M', 0xFC, 'n', 'c', 'h', 'e', 'n'}), L"CN=München");
}

TEST(NameStringTypes, GeneralStringFollowsTheTeletexRule)
{
    EXPECT_EQ(valueText(kGeneralString, {'G', 0xE9, 'n'}), L"CN=Gén");
}

TEST(NameStringTypes, BmpStringPairsSurrogates)
{
    EXPECT_EQ(valueText(kBmpString, utf16BigEndian(L"Тест \U0001F600")), L"CN=Тест \U0001F600");
}

TEST(NameStringTypes, UniversalStringDecodes)
{
    EXPECT_EQ(valueText(kUniversalString, ucs4BigEndian(L"Ж\U0001F600")), L"CN=Ж\U0001F600");
}

TEST(NameStringTypes, BmpStringOfOddLengthIsCorrupt)
{
    Bytes encoded = name({rdn({attribute(kCommonName, kBmpString, {0x04, 0x16, 0x04})})});
    CERT_NAME_BLOB blob{static_cast<DWORD>(encoded.size()), encoded.data()};
    SetLastError(0);
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, nullptr, 0), 1u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_ASN1_CORRUPT));
}

struct AsciiTypeCase {
    BYTE tag;
    const char *text;
};

class NameAsciiStringTypes : public ::testing::TestWithParam<AsciiTypeCase> {};

TEST_P(NameAsciiStringTypes, DecodeToTheSameCharacters)
{
    const std::string text = GetParam().text;
    EXPECT_EQ(valueText(GetParam().tag, bytesOf(text)), L"CN=" + std::wstring(text.begin(), text.end()));
}

INSTANTIATE_TEST_SUITE_P(Types, NameAsciiStringTypes,
                         ::testing::Values(AsciiTypeCase{kPrintableString, "Printable 1"},
                                           AsciiTypeCase{kNumericString, "0123 456"},
                                           AsciiTypeCase{kIa5String, "user@mail.example"},
                                           AsciiTypeCase{kVisibleString, "Visible ~ text"}));

TEST(NameValues, OctetStringIsShownAsHexOfItsContents)
{
    EXPECT_EQ(valueText(kOctetString, {0x0A, 0x56, 0xCF}, "1.2.3.4"), L"OID.1.2.3.4=#0A56CF");
}

TEST(NameValues, OtherNonStringIsShownAsHexOfItsEncoding)
{
    EXPECT_EQ(valueText(kInteger, {0x05}, "1.2.3.4"), L"OID.1.2.3.4=#020105");
}

TEST(NameSize, QueryCountsTheTerminatingZero)
{
    TestCertificate certificate("rsa.der");
    const std::wstring expected = L"C=RU, O=Certinstall Tests, CN=RSA Test";
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &certificate.info().Subject, CERT_X500_NAME_STR, nullptr, 0),
              expected.size() + 1);
}

TEST(NameSize, ZeroSizeWithABufferIsAQueryThatWritesNothing)
{
    TestCertificate certificate("rsa.der");
    wchar_t buffer[4] = {L'x', L'x', L'x', L'x'};
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &certificate.info().Subject, CERT_X500_NAME_STR, buffer, 0),
              std::wstring(L"C=RU, O=Certinstall Tests, CN=RSA Test").size() + 1);
    EXPECT_EQ(buffer[0], L'x');
}

TEST(NameSize, ShortBufferIsTruncatedAndTerminated)
{
    TestCertificate certificate("rsa.der");
    wchar_t buffer[8];
    std::fill(std::begin(buffer), std::end(buffer), L'x');
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &certificate.info().Subject, CERT_X500_NAME_STR, buffer, 6), 6u);
    EXPECT_EQ(std::wstring(buffer), L"C=RU,");
    EXPECT_EQ(buffer[6], L'x');
}

TEST(NameSize, EmptyNameIsAnEmptyString)
{
    EXPECT_EQ(nameText(name({})), L"");
    Bytes encoded = name({});
    CERT_NAME_BLOB blob{static_cast<DWORD>(encoded.size()), encoded.data()};
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, nullptr, 0), 1u);
}

TEST(NameErrors, TruncatedNameGivesEmptyTextAndEndOfData)
{
    Bytes encoded = simpleName({{kCommonName, L"cut short"}});
    CERT_NAME_BLOB blob{static_cast<DWORD>(encoded.size() - 3), encoded.data()};
    wchar_t buffer[16] = L"junk";
    SetLastError(0);
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, buffer, 16), 1u);
    EXPECT_STREQ(buffer, L"");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_ASN1_EOD));
}

TEST(NameErrors, NameThatIsNotASequenceGivesBadTag)
{
    Bytes encoded = tlv(kSet, {});
    CERT_NAME_BLOB blob{static_cast<DWORD>(encoded.size()), encoded.data()};
    SetLastError(0);
    EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, nullptr, 0), 1u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(CRYPT_E_ASN1_BADTAG));
}
