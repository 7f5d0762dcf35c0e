#include "scopedenvironment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace {

const DWORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT);
const DWORD russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);
const DWORD systemTextFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;

struct Formatted {
    DWORD length = 0;
    std::wstring text;
    DWORD error = 0;
    bool bufferAllocated = false;
};

// FormatMessageW into a buffer it allocates, the way callers of the error type use it.
Formatted formatAllocated(DWORD flags, LPCVOID source, DWORD code, DWORD language, va_list *arguments = nullptr)
{
    Formatted result;
    LPWSTR buffer = nullptr;
    SetLastError(ERROR_SUCCESS);
    result.length = FormatMessageW(flags | FORMAT_MESSAGE_ALLOCATE_BUFFER, source, code, language,
                                   reinterpret_cast<LPWSTR>(&buffer), 0, arguments);
    result.error = GetLastError();
    result.bufferAllocated = buffer != nullptr;
    if (buffer) {
        result.text.assign(buffer, result.length);
        EXPECT_EQ(LocalFree(buffer), nullptr);
    }
    return result;
}

std::wstring systemText(DWORD code, DWORD language)
{
    return formatAllocated(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, language).text;
}

Formatted formatString(const wchar_t *format, DWORD flags, va_list *arguments)
{
    return formatAllocated(FORMAT_MESSAGE_FROM_STRING | flags, format, 0, 0, arguments);
}

Formatted formatStringV(const wchar_t *format, ...)
{
    va_list arguments;
    va_start(arguments, format);
    Formatted result = formatString(format, 0, &arguments);
    va_end(arguments);
    return result;
}

Formatted formatSystemV(DWORD code, ...)
{
    va_list arguments;
    va_start(arguments, code);
    Formatted result = formatAllocated(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code, english, &arguments);
    va_end(arguments);
    return result;
}

bool endsWithLineBreak(const std::wstring &text)
{
    return text.size() > 2 && text.compare(text.size() - 2, 2, L"\r\n") == 0;
}

bool hasCyrillic(const std::wstring &text)
{
    for (wchar_t c : text)
        if (c >= 0x0400 && c <= 0x04FF)
            return true;
    return false;
}

bool isErrorCodeName(const std::string &name)
{
    for (const char *prefix : {"ERROR_", "E_", "NTE_", "CRYPT_E_", "SCARD_E_"})
        if (name.rfind(prefix, 0) == 0)
            return true;
    return false;
}

// Every error code that the SDK-like headers define, by name, read from the headers
// themselves so that a code added there without a text fails here. A definition reads
// "#define NAME 87L" or "#define NAME ((HRESULT)0x80092004L)".
std::map<std::string, DWORD> errorCodesDeclaredInHeaders()
{
    std::map<std::string, DWORD> codes;
    for (const char *header : {"windows.h", "wincrypt.h"}) {
        std::ifstream file(std::string(WINDOWS_INCLUDE_DIR) + "/" + header);
        std::string line;
        while (std::getline(file, line)) {
            std::istringstream words(line);
            std::string directive, name, value;
            if (!(words >> directive >> name >> value) || directive != "#define" || !isErrorCodeName(name))
                continue;
            const std::string cast = "((HRESULT)";
            if (value.rfind(cast, 0) == 0)
                value.erase(0, cast.size());
            if (value.empty() || !std::isdigit(static_cast<unsigned char>(value[0])))
                continue;
            std::size_t digits = 0;
            const unsigned long number = std::stoul(value, &digits, 0);
            const std::string suffix = value.substr(digits);
            if (suffix == "L" || suffix == "L)")
                codes[name] = static_cast<DWORD>(number);
        }
    }
    return codes;
}

} // namespace

TEST(MessageTable, HeaderScanFindsTheDeclaredCodes)
{
    const auto codes = errorCodesDeclaredInHeaders();
    ASSERT_GE(codes.size(), 90u);
    EXPECT_EQ(codes.at("ERROR_SUCCESS"), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(codes.at("ERROR_MR_MID_NOT_FOUND"), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
    EXPECT_EQ(codes.at("E_INVALIDARG"), static_cast<DWORD>(E_INVALIDARG));
    EXPECT_EQ(codes.at("NTE_BAD_KEYSET"), static_cast<DWORD>(NTE_BAD_KEYSET));
    EXPECT_EQ(codes.at("CRYPT_E_ASN1_BADTAG"), static_cast<DWORD>(CRYPT_E_ASN1_BADTAG));
}

TEST(MessageTable, EveryDeclaredCodeHasAnEnglishTextEndingInLineBreak)
{
    for (const auto &[name, code] : errorCodesDeclaredInHeaders()) {
        const std::wstring text = systemText(code, english);
        EXPECT_TRUE(endsWithLineBreak(text)) << name;
        EXPECT_FALSE(hasCyrillic(text)) << name;
    }
}

TEST(MessageTable, EveryDeclaredCodeHasARussianTextEndingInLineBreak)
{
    for (const auto &[name, code] : errorCodesDeclaredInHeaders()) {
        const std::wstring text = systemText(code, russian);
        EXPECT_TRUE(endsWithLineBreak(text)) << name;
        EXPECT_TRUE(hasCyrillic(text)) << name;
    }
}

TEST(MessageLanguage, RussianUserReadsRussianTexts)
{
    ScopedEnvironment environment;
    environment.locale("ru_RU.UTF-8");
    const std::wstring expected = systemText(ERROR_FILE_NOT_FOUND, russian);
    for (DWORD language : {0u, DWORD(LANG_USER_DEFAULT), DWORD(LANG_SYSTEM_DEFAULT)})
        EXPECT_EQ(systemText(ERROR_FILE_NOT_FOUND, language), expected) << language;
}

TEST(MessageLanguage, EnglishUserReadsEnglishTexts)
{
    ScopedEnvironment environment;
    environment.locale("en_US.UTF-8");
    const std::wstring expected = systemText(ERROR_FILE_NOT_FOUND, english);
    for (DWORD language : {0u, DWORD(LANG_USER_DEFAULT), DWORD(LANG_SYSTEM_DEFAULT)})
        EXPECT_EQ(systemText(ERROR_FILE_NOT_FOUND, language), expected) << language;
}

TEST(MessageLanguage, UserWithoutLocaleReadsEnglish)
{
    ScopedEnvironment environment;
    environment.locale(nullptr);
    EXPECT_EQ(systemText(ERROR_ACCESS_DENIED, LANG_SYSTEM_DEFAULT), systemText(ERROR_ACCESS_DENIED, english));
}

TEST(MessageLanguage, LcMessagesDecidesWhenLcAllIsUnset)
{
    ScopedEnvironment environment;
    environment.locale(nullptr).set("LANG", "en_US.UTF-8").set("LC_MESSAGES", "ru_RU.UTF-8");
    EXPECT_EQ(systemText(ERROR_ACCESS_DENIED, LANG_SYSTEM_DEFAULT), systemText(ERROR_ACCESS_DENIED, russian));
}

TEST(MessageLanguage, LcAllOverridesLcMessages)
{
    ScopedEnvironment environment;
    environment.locale("en_US.UTF-8").set("LC_MESSAGES", "ru_RU.UTF-8");
    EXPECT_EQ(systemText(ERROR_ACCESS_DENIED, LANG_SYSTEM_DEFAULT), systemText(ERROR_ACCESS_DENIED, english));
}

TEST(MessageLanguage, LangAloneDecides)
{
    ScopedEnvironment environment;
    environment.locale(nullptr).set("LANG", "ru_RU.UTF-8");
    EXPECT_EQ(systemText(ERROR_ACCESS_DENIED, LANG_SYSTEM_DEFAULT), systemText(ERROR_ACCESS_DENIED, russian));
}

TEST(MessageLanguage, ExplicitLanguageOverridesTheUser)
{
    ScopedEnvironment environment;
    environment.locale("ru_RU.UTF-8");
    EXPECT_FALSE(hasCyrillic(systemText(ERROR_ACCESS_DENIED, english)));
    EXPECT_NE(systemText(ERROR_ACCESS_DENIED, english), systemText(ERROR_ACCESS_DENIED, LANG_SYSTEM_DEFAULT));
}

TEST(MessageLanguage, LanguageWithoutTextsFails)
{
    const DWORD german = MAKELANGID(0x07, SUBLANG_DEFAULT);
    const Formatted result = formatAllocated(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, german);
    EXPECT_EQ(result.length, 0u);
    EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
    EXPECT_FALSE(result.bufferAllocated);
}

TEST(MessageLookup, UnknownCodeFailsWithMessageNotFoundAndNoBuffer)
{
    const Formatted result = formatAllocated(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                             0x2FFF, LANG_SYSTEM_DEFAULT);
    EXPECT_EQ(result.length, 0u);
    EXPECT_EQ(result.error, 317u);
    EXPECT_FALSE(result.bufferAllocated);
}

TEST(MessageLookup, HresultWrappingAWin32CodeHasThatCodesText)
{
    EXPECT_EQ(systemText(0x80070005, english), systemText(ERROR_ACCESS_DENIED, english));
    EXPECT_EQ(systemText(static_cast<DWORD>(E_INVALIDARG), russian), systemText(ERROR_INVALID_PARAMETER, russian));
}

TEST(MessageLookup, ModuleWithoutMessagesFallsBackToTheSystem)
{
    const Formatted result = formatAllocated(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM |
                                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                                             nullptr, ERROR_DISK_FULL, english);
    EXPECT_EQ(result.text, systemText(ERROR_DISK_FULL, english));
}

TEST(MessageBuffer, LengthExcludesTheTerminatingZero)
{
    wchar_t buffer[256];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        ERROR_ACCESS_DENIED, english, buffer, 256, nullptr);
    EXPECT_EQ(length, std::wcslen(buffer));
    EXPECT_EQ(std::wstring(buffer), systemText(ERROR_ACCESS_DENIED, english));
}

TEST(MessageBuffer, CallerBufferOneShortFailsWithInsufficientBuffer)
{
    const std::wstring text = systemText(ERROR_ACCESS_DENIED, english);
    std::wstring buffer(text.size(), L'#');
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             ERROR_ACCESS_DENIED, english, &buffer[0], static_cast<DWORD>(buffer.size()), nullptr),
              0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(MessageBuffer, CallerBufferWithRoomForTheZeroSucceeds)
{
    const std::wstring text = systemText(ERROR_ACCESS_DENIED, english);
    std::wstring buffer(text.size() + 1, L'#');
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             ERROR_ACCESS_DENIED, english, &buffer[0], static_cast<DWORD>(buffer.size()), nullptr),
              text.size());
    EXPECT_EQ(buffer.c_str(), text);
}

TEST(MessageBuffer, LocalFreeOfNullReturnsNull) { EXPECT_EQ(LocalFree(nullptr), nullptr); }

TEST(MessageInserts, IgnoredInsertsAreReturnedAsWritten)
{
    const std::wstring text = systemText(ERROR_MR_MID_NOT_FOUND, english);
    EXPECT_NE(text.find(L"%1"), std::wstring::npos);
    EXPECT_NE(text.find(L"%2"), std::wstring::npos);
}

TEST(MessageInserts, TextWithInsertsAndNoArgumentsFails)
{
    const Formatted result = formatAllocated(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_MR_MID_NOT_FOUND, english);
    EXPECT_EQ(result.length, 0u);
    EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(result.bufferAllocated);
}

TEST(MessageInserts, TextWithoutInsertsNeedsNoArguments)
{
    const Formatted result = formatAllocated(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, english);
    EXPECT_EQ(result.text, systemText(ERROR_ACCESS_DENIED, english));
}

TEST(MessageInserts, SystemTextInsertsExpandFromAnArgumentArray)
{
    const DWORD_PTR arguments[] = {reinterpret_cast<DWORD_PTR>(L"2FFF"), reinterpret_cast<DWORD_PTR>(L"Test")};
    const Formatted result =
        formatAllocated(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, nullptr, ERROR_MR_MID_NOT_FOUND,
                        english, reinterpret_cast<va_list *>(const_cast<DWORD_PTR *>(arguments)));
    EXPECT_NE(result.text.find(L"0x2FFF"), std::wstring::npos) << result.text;
    EXPECT_NE(result.text.find(L"Test"), std::wstring::npos) << result.text;
    EXPECT_EQ(result.text.find(L'%'), std::wstring::npos) << result.text;
}

TEST(MessageInserts, SystemTextInsertsExpandFromAVaList)
{
    const Formatted result = formatSystemV(ERROR_MR_MID_NOT_FOUND, L"2FFF", L"Test");
    EXPECT_NE(result.text.find(L"0x2FFF"), std::wstring::npos) << result.text;
    EXPECT_NE(result.text.find(L"Test"), std::wstring::npos) << result.text;
}

TEST(MessageInserts, InsertsMayAppearOutOfOrderAndRepeat)
{
    EXPECT_EQ(formatStringV(L"%2-%1-%2", L"a", L"b").text, L"b-a-b");
}

TEST(MessageInserts, PrintfFormatsOfIntegers)
{
    EXPECT_EQ(formatStringV(L"%1!d! %2!08X! %3!u!", -5, 255u, 4000000000u).text, L"-5 000000FF 4000000000");
}

TEST(MessageInserts, SixtyFourBitIntegers)
{
    EXPECT_EQ(formatStringV(L"%1!I64u!/%2!lld!", 18446744073709551615ULL, -1LL).text,
              L"18446744073709551615/-1");
}

TEST(MessageInserts, WidthAndPrecisionFromArguments)
{
    // "*" takes the width (and ".*" the precision) from the insert's own argument numbers.
    EXPECT_EQ(formatStringV(L"[%1!*.*s!]%4", 6, 2, L"abcdef", L"!").text, L"[    ab]!");
}

TEST(MessageInserts, NarrowStringInsertIsReadInTheUsersCharacterSet)
{
    ScopedEnvironment environment;
    environment.locale("ru_RU.UTF-8");
    EXPECT_EQ(formatStringV(L"%1!S!", "\xD0\x9F\xD1\x80\xD0\xB8") .text, L"При");
}

TEST(MessageInserts, InsertsFromAnArgumentArrayWithIntegers)
{
    const DWORD_PTR arguments[] = {42, reinterpret_cast<DWORD_PTR>(L"x")};
    const Formatted result = formatString(L"%1!d!%2", FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                          reinterpret_cast<va_list *>(const_cast<DWORD_PTR *>(arguments)));
    EXPECT_EQ(result.text, L"42x");
}

TEST(MessageEscapes, EscapeSequencesOfTheMessageSyntax)
{
    EXPECT_EQ(formatStringV(L"a%nb%%c%td%.e%!f% g%rh").text, L"a\r\nb%c\td.e!f g\rh");
}

TEST(MessageEscapes, PercentZeroEndsTheMessageWithoutLineBreak)
{
    EXPECT_EQ(formatStringV(L"first%0second").text, L"first");
}

TEST(MessageEscapes, ExclamationMarkAfterAnInsertNeedsItsEscape)
{
    EXPECT_EQ(formatStringV(L"%1%!", L"hi").text, L"hi!");
}

TEST(MessageEscapes, IgnoreInsertsKeepsEscapesAsWritten)
{
    const wchar_t *format = L"%1 %n %% %0";
    EXPECT_EQ(formatString(format, FORMAT_MESSAGE_IGNORE_INSERTS, nullptr).text, format);
}

TEST(MessageEscapes, FromStringWithSystemSourceIsRejected)
{
    const Formatted result = formatAllocated(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_FROM_SYSTEM, L"x", 0, 0);
    EXPECT_EQ(result.length, 0u);
    EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(MessageEscapes, NoSourceIsRejected)
{
    const Formatted result = formatAllocated(0, nullptr, ERROR_ACCESS_DENIED, 0);
    EXPECT_EQ(result.length, 0u);
    EXPECT_EQ(result.error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(MessageWidth, MaxWidthMaskTurnsLineBreaksOfTheTextIntoSpaces)
{
    std::wstring text = systemText(ERROR_ACCESS_DENIED, english);
    const Formatted result =
        formatAllocated(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_MAX_WIDTH_MASK,
                        nullptr, ERROR_ACCESS_DENIED, english);
    text.replace(text.size() - 2, 2, L" ");
    EXPECT_EQ(result.text, text);
}

TEST(MessageWidth, HardLineBreaksStayUnderMaxWidthMask)
{
    const Formatted result = formatString(L"one\r\ntwo%nthree", FORMAT_MESSAGE_MAX_WIDTH_MASK, nullptr);
    EXPECT_EQ(result.text, L"one two\r\nthree");
}

TEST(MessageWidth, LinesWrapAtWhiteSpaceWithinTheWidth)
{
    const Formatted result = formatString(L"aaa bbb ccc dddddddddd e", 7, nullptr);
    EXPECT_EQ(result.text, L"aaa bbb\r\nccc\r\ndddddddddd\r\ne");
}
