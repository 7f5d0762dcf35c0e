// Bytes as Base64 or hexadecimal text and back, through CryptBinaryToStringW and
// CryptStringToBinaryW.
#include "certfactory.h"

#include <wincrypt.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using Bytes = std::vector<BYTE>;

namespace {

const Bytes kMan{'M', 'a', 'n'};

std::wstring toText(const Bytes &data, DWORD flags)
{
    DWORD length = 0;
    if (!CryptBinaryToStringW(data.data(), static_cast<DWORD>(data.size()), flags, nullptr, &length))
        return L"<failed>";
    std::wstring text(length, L'?');
    if (!CryptBinaryToStringW(data.data(), static_cast<DWORD>(data.size()), flags, text.data(), &length))
        return L"<failed>";
    text.resize(length);
    return text;
}

// The decoded bytes, or empty with the last error set.
Bytes fromText(const std::wstring &text, DWORD flags, DWORD *skip = nullptr, DWORD *used = nullptr)
{
    DWORD size = 0;
    if (!CryptStringToBinaryW(text.c_str(), 0, flags, nullptr, &size, nullptr, nullptr))
        return {};
    Bytes out(size);
    if (!CryptStringToBinaryW(text.c_str(), static_cast<DWORD>(text.size()), flags, out.data(), &size, skip, used))
        return {};
    out.resize(size);
    return out;
}

} // namespace

TEST(BinaryToText, EachFormatWritesWhatWindowsWrites)
{
    Bytes seventeen;
    for (BYTE b = 0; b < 17; ++b)
        seventeen.push_back(b);
    const struct {
        Bytes data;
        DWORD flags;
        std::wstring text;
    } cases[] = {
        {kMan, CRYPT_STRING_BASE64, L"TWFu\r\n"},
        {kMan, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCR, L"TWFu\n"},
        {kMan, CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF, L"TWFu"},
        {kMan, CRYPT_STRING_BASE64HEADER, L"-----BEGIN CERTIFICATE-----\r\nTWFu\r\n-----END CERTIFICATE-----\r\n"},
        {Bytes(48, 0), CRYPT_STRING_BASE64, std::wstring(64, L'A') + L"\r\n"},
        {Bytes(49, 0), CRYPT_STRING_BASE64, std::wstring(64, L'A') + L"\r\nAA==\r\n"},
        {seventeen, CRYPT_STRING_HEX, L"00 01 02 03 04 05 06 07  08 09 0a 0b 0c 0d 0e 0f\r\n10\r\n"},
        {Bytes{0x01, 0xab}, CRYPT_STRING_HEXRAW, L"01ab\r\n"},
        {Bytes{0x01, 0xab}, CRYPT_STRING_HEXRAW | CRYPT_STRING_NOCRLF, L"01ab"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(toText(c.data, c.flags), c.text) << std::hex << c.flags;
}

TEST(BinaryToText, SizeQueryCountsTheZeroAndTooSmallABufferFailsWithTheSizeNeeded)
{
    DWORD length = 0;
    ASSERT_TRUE(CryptBinaryToStringW(kMan.data(), 3, CRYPT_STRING_BASE64, nullptr, &length));
    EXPECT_EQ(length, 7u); // "TWFu\r\n" and the zero
    wchar_t buffer[7];
    length = 6;
    EXPECT_FALSE(CryptBinaryToStringW(kMan.data(), 3, CRYPT_STRING_BASE64, buffer, &length));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(length, 7u);
    ASSERT_TRUE(CryptBinaryToStringW(kMan.data(), 3, CRYPT_STRING_BASE64, buffer, &length));
    EXPECT_EQ(length, 6u);
    EXPECT_EQ(std::wstring(buffer), L"TWFu\r\n");
    EXPECT_FALSE(CryptBinaryToStringW(kMan.data(), 3, CRYPT_STRING_HEXASCIIADDR, nullptr, &length));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(TextToBinary, ACertificateSurvivesTheHeaderFormatAfterOtherText)
{
    const Bytes der = testsupport::makeCertificate({});
    const std::wstring text = L"Subject: Test\r\n" + toText(der, CRYPT_STRING_BASE64HEADER);
    for (DWORD flags : {CRYPT_STRING_BASE64HEADER, CRYPT_STRING_BASE64_ANY, CRYPT_STRING_ANY}) {
        DWORD skip = 99, used = 99;
        EXPECT_EQ(fromText(text, flags, &skip, &used), der) << flags;
        EXPECT_EQ(skip, 15u);
        EXPECT_EQ(used, static_cast<DWORD>(CRYPT_STRING_BASE64HEADER));
    }
}

TEST(TextToBinary, EachFormatReadsItsTextAndRefusesAnythingElse)
{
    const struct {
        std::wstring text;
        DWORD flags;
        Bytes data;  // empty: fails
        DWORD error; // the last error of a failure
    } cases[] = {
        {L"TWFu", CRYPT_STRING_BASE64, kMan, 0},
        {L" TW\r\nFu \n", CRYPT_STRING_BASE64, kMan, 0},
        {L"TWF", CRYPT_STRING_BASE64, {}, ERROR_INVALID_DATA},
        {L"TW*u", CRYPT_STRING_BASE64, {}, ERROR_INVALID_DATA},
        {L"TQ==TWFu", CRYPT_STRING_BASE64, {}, ERROR_INVALID_DATA},
        {L"-----BEGIN CERTIFICATE-----\nTWFu\n", CRYPT_STRING_BASE64HEADER, {}, ERROR_INVALID_DATA},
        {L"-----BEGIN X-----\nTW!u\n-----END X-----\n", CRYPT_STRING_BASE64HEADER, {}, ERROR_INVALID_DATA},
        {L"4d 61 6e\r\n", CRYPT_STRING_HEX, kMan, 0},
        {L"4D616e", CRYPT_STRING_HEXRAW, kMan, 0},
        {L"4d616", CRYPT_STRING_HEXRAW, {}, ERROR_INVALID_DATA},
        {L"4d61xx", CRYPT_STRING_HEX, {}, ERROR_INVALID_DATA},
        {L"*", CRYPT_STRING_BASE64_ANY, {}, ERROR_INVALID_DATA},
        {L"*", CRYPT_STRING_ANY, Bytes{'*', 0, 0, 0}, 0}, // the characters' own bytes
        {L"4d", CRYPT_STRING_HEXADDR, {}, ERROR_INVALID_PARAMETER},
    };
    for (const auto &c : cases) {
        SetLastError(0);
        EXPECT_EQ(fromText(c.text, c.flags), c.data) << c.flags;
        if (c.data.empty()) {
            EXPECT_EQ(GetLastError(), c.error) << c.flags;
        }
    }
}

TEST(TextToBinary, TooSmallABufferFailsWithTheSizeNeeded)
{
    BYTE buffer[2];
    DWORD size = sizeof buffer;
    EXPECT_FALSE(CryptStringToBinaryW(L"TWFu", 0, CRYPT_STRING_BASE64, buffer, &size, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 3u);
}
