#include "scopedenvironment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// "Привет" in three encodings, from the code page tables.
const char helloUtf8[] = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
const char hello1251[] = "\xCF\xF0\xE8\xE2\xE5\xF2";
const char helloKoi8r[] = "\xF0\xD2\xC9\xD7\xC5\xD4";

struct Converted {
    int result;
    std::wstring text;
    DWORD error;
};

// The two-call pattern: size first, then the text.
Converted toWide(UINT codePage, DWORD flags, const char *bytes, int length = -1)
{
    SetLastError(ERROR_SUCCESS);
    const int size = MultiByteToWideChar(codePage, flags, bytes, length, nullptr, 0);
    if (size == 0)
        return {0, {}, GetLastError()};
    std::wstring text(static_cast<std::size_t>(size), L'#');
    const int written = MultiByteToWideChar(codePage, flags, bytes, length, &text[0], size);
    return {written, text, GetLastError()};
}

// Bytes as wide characters of the same values, so that results compare as one type.
std::wstring bytesAsWide(const std::string &bytes)
{
    std::wstring wide;
    for (unsigned char c : bytes)
        wide += static_cast<wchar_t>(c);
    return wide;
}

Converted toNarrow(UINT codePage, DWORD flags, const std::wstring &text, LPCSTR defaultChar = nullptr,
                   LPBOOL usedDefault = nullptr)
{
    SetLastError(ERROR_SUCCESS);
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(codePage, flags, text.data(), length, nullptr, 0, defaultChar, usedDefault);
    if (size == 0)
        return {0, {}, GetLastError()};
    std::string bytes(static_cast<std::size_t>(size), '#');
    const int written =
        WideCharToMultiByte(codePage, flags, text.data(), length, &bytes[0], size, defaultChar, usedDefault);
    return {written, bytesAsWide(bytes), GetLastError()};
}

} // namespace

TEST(MultiByteSize, MinusOneCountsAndWritesTheTerminatingZero)
{
    const Converted converted = toWide(CP_UTF8, 0, helloUtf8);
    EXPECT_EQ(converted.result, 7);
    EXPECT_EQ(converted.text, std::wstring(L"Привет") + L'\0');
}

TEST(MultiByteSize, ExplicitLengthConvertsJustThoseBytes)
{
    const Converted converted = toWide(CP_UTF8, 0, helloUtf8, 4);
    EXPECT_EQ(converted.result, 2);
    EXPECT_EQ(converted.text, L"Пр");
}

TEST(MultiByteSize, BufferTooSmallFails)
{
    wchar_t buffer[6];
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, helloUtf8, -1, buffer, 6), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(MultiByteSize, ZeroInputLengthIsInvalid)
{
    EXPECT_EQ(toWide(CP_UTF8, 0, helloUtf8, 0).error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(MultiByteSize, NullInputIsInvalid)
{
    EXPECT_EQ(toWide(CP_UTF8, 0, nullptr).error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(MultiByteCodePages, Utf8CyrillicBecomesOneWideCharacterEach)
{
    EXPECT_EQ(toWide(CP_UTF8, 0, helloUtf8, 12).text, L"Привет");
}

TEST(MultiByteCodePages, CharacterBeyondTheBasicPlaneIsOneWideCharacter)
{
    const Converted converted = toWide(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4);
    ASSERT_EQ(converted.result, 1);
    EXPECT_EQ(static_cast<std::uint32_t>(converted.text[0]), 0x1F600u);
}

TEST(MultiByteCodePages, Windows1251)
{
    EXPECT_EQ(toWide(1251, 0, hello1251, 6).text, L"Привет");
}

TEST(MultiByteCodePages, Koi8r) { EXPECT_EQ(toWide(20866, 0, helloKoi8r, 6).text, L"Привет"); }

TEST(MultiByteCodePages, UnknownCodePageIsInvalid)
{
    EXPECT_EQ(toWide(54321, 0, "a").error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(MultiByteCodePages, Utf16IsNotAMultiByteCodePage)
{
    EXPECT_EQ(toWide(1200, 0, "a").error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(MultiByteAnsi, AnsiIsUtf8ForAUtf8Locale)
{
    ScopedEnvironment environment;
    environment.locale("ru_RU.UTF-8");
    EXPECT_EQ(toWide(CP_ACP, 0, helloUtf8, 12).text, L"Привет");
}

TEST(MultiByteAnsi, AnsiIsTheLocalesCodeset)
{
    ScopedEnvironment environment;
    environment.locale("ru_RU.CP1251");
    EXPECT_EQ(toWide(CP_ACP, 0, hello1251, 6).text, L"Привет");
}

TEST(MultiByteAnsi, LcCtypeDecidesWhenLcAllIsUnset)
{
    ScopedEnvironment environment;
    environment.locale(nullptr).set("LANG", "ru_RU.UTF-8").set("LC_CTYPE", "ru_RU.KOI8-R");
    EXPECT_EQ(toWide(CP_ACP, 0, helloKoi8r, 6).text, L"Привет");
}

TEST(MultiByteAnsi, AnsiIsUtf8WithoutLocale)
{
    ScopedEnvironment environment;
    environment.locale(nullptr);
    EXPECT_EQ(toWide(CP_ACP, 0, helloUtf8, 12).text, L"Привет");
}

TEST(MultiByteAnsi, UnknownCodesetFallsBackToUtf8)
{
    ScopedEnvironment environment;
    environment.locale("ru_RU.NO-SUCH-CHARSET");
    EXPECT_EQ(toWide(CP_ACP, 0, helloUtf8, 12).text, L"Привет");
}

TEST(MultiByteInvalidInput, InvalidByteBecomesReplacementCharacter)
{
    EXPECT_EQ(toWide(CP_UTF8, 0, "a\xFF" "b", 3).text, L"a\uFFFDb");
}

TEST(MultiByteInvalidInput, TruncatedSequenceAtTheEndBecomesReplacementCharacter)
{
    EXPECT_EQ(toWide(CP_UTF8, 0, "a\xD0", 2).text, L"a\uFFFD");
}

TEST(MultiByteInvalidInput, EncodedSurrogateIsInvalid)
{
    EXPECT_EQ(toWide(CP_UTF8, MB_ERR_INVALID_CHARS, "\xED\xA0\x80", 3).error,
              static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(MultiByteInvalidInput, StrictConversionFailsOnInvalidBytes)
{
    const Converted converted = toWide(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2);
    EXPECT_EQ(converted.result, 0);
    EXPECT_EQ(converted.error, static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(MultiByteFlags, Utf8AcceptsOnlyTheInvalidCharsFlag)
{
    EXPECT_EQ(toWide(CP_UTF8, MB_PRECOMPOSED, "a").error, static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

TEST(MultiByteFlags, PrecomposedAndCompositeExcludeEachOther)
{
    EXPECT_EQ(toWide(1251, MB_PRECOMPOSED | MB_COMPOSITE, "a").error, static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

TEST(MultiByteFlags, UnknownFlagIsInvalid)
{
    EXPECT_EQ(toWide(1251, 0x100, "a").error, static_cast<DWORD>(ERROR_INVALID_FLAGS));
}

TEST(MultiByteFlags, CompositeDecomposesAccentedLetters)
{
    // "й" in code page 1251 is one byte; decomposed it is "и" and the combining breve.
    EXPECT_EQ(toWide(1251, MB_COMPOSITE, "\xE9", 1).text, L"\u0438\u0306");
}

TEST(WideToMultiByte, CyrillicTo1251)
{
    EXPECT_EQ(toNarrow(1251, 0, L"Привет").text, bytesAsWide(hello1251));
}

TEST(WideToMultiByte, CyrillicToUtf8)
{
    EXPECT_EQ(toNarrow(CP_UTF8, 0, L"Привет").text, bytesAsWide(helloUtf8));
}

TEST(WideToMultiByte, MinusOneWritesTheTerminatingZero)
{
    char buffer[16];
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"ab", -1, buffer, 16, nullptr, nullptr), 3);
    EXPECT_STREQ(buffer, "ab");
}

TEST(WideToMultiByte, UnmappableCharacterBecomesTheDefaultCharacter)
{
    BOOL usedDefault = FALSE;
    EXPECT_EQ(toNarrow(1251, 0, L"a\u4E2Db", nullptr, &usedDefault).text, L"a?b");
    EXPECT_TRUE(usedDefault);
}

TEST(WideToMultiByte, CallerChosenDefaultCharacter)
{
    EXPECT_EQ(toNarrow(1251, 0, L"\u4E2D", "*").text, L"*");
}

TEST(WideToMultiByte, DefaultCharacterUnusedIsReported)
{
    BOOL usedDefault = TRUE;
    toNarrow(1251, 0, L"Привет", nullptr, &usedDefault);
    EXPECT_FALSE(usedDefault);
}

TEST(WideToMultiByte, InvalidCodePointBecomesReplacementCharacterInUtf8)
{
    const std::wstring text(1, static_cast<wchar_t>(0xD800));
    EXPECT_EQ(toNarrow(CP_UTF8, 0, text).text, bytesAsWide("\xEF\xBF\xBD"));
}

TEST(WideToMultiByte, StrictUtf8FailsOnInvalidCodePoint)
{
    const std::wstring text(1, static_cast<wchar_t>(0x110000));
    EXPECT_EQ(toNarrow(CP_UTF8, WC_ERR_INVALID_CHARS, text).error, static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

TEST(WideToMultiByte, Utf8TakesNoDefaultCharacter)
{
    BOOL usedDefault = FALSE;
    EXPECT_EQ(toNarrow(CP_UTF8, 0, L"a", nullptr, &usedDefault).error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(WideToMultiByte, BufferTooSmallFails)
{
    char buffer[2];
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(WideCharToMultiByte(CP_UTF8, 0, L"Пр", 2, buffer, 2, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}
