#include "crypto/cryptexception.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

// Runs each test as a user whose locale is `locale` and restores the environment after.
class UserLocale {
public:
    explicit UserLocale(const char *locale)
    {
        if (const char *old = std::getenv("LC_ALL"))
            m_old = old;
        setenv("LC_ALL", locale, 1);
    }
    ~UserLocale()
    {
        if (m_old)
            setenv("LC_ALL", m_old->c_str(), 1);
        else
            unsetenv("LC_ALL");
    }

private:
    std::optional<std::string> m_old;
};

// The system's own text, read in the given language.
std::wstring formatted(DWORD code, DWORD language)
{
    wchar_t buffer[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, language, buffer, 512,
                   nullptr);
    return buffer;
}

const DWORD russian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);
const DWORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT);

crypto::CryptException caughtFrom(void (*thrower)())
{
    try {
        thrower();
    } catch (const crypto::CryptException &e) {
        return e;
    }
    ADD_FAILURE() << "nothing was thrown";
    return crypto::CryptException(L"", -1);
}

} // namespace

TEST(CryptException, WhatIsAlwaysTheFixedNarrowText)
{
    const crypto::CryptException withText(L"Файл не найден.\r\n", 0);
    const crypto::CryptException empty(L"", 5);
    EXPECT_STREQ(withText.what(), "Unicode not supported");
    EXPECT_STREQ(empty.what(), "Unicode not supported");
}

TEST(CryptException, CopyKeepsMessageAndCode)
{
    const crypto::CryptException original(L"Ошибка сериализации сертификата.\n", 7);
    const crypto::CryptException copy(original);
    EXPECT_EQ(copy.message(), original.message());
    EXPECT_EQ(copy.code(), 7);
}

TEST(CryptException, IsCaughtAsStdException)
{
    try {
        throw crypto::CryptException(L"x", 0);
    } catch (const std::exception &e) {
        EXPECT_STREQ(e.what(), "Unicode not supported");
        return;
    }
    ADD_FAILURE() << "not caught as std::exception";
}

TEST(SystemErrorText, IsTheSystemsTextInTheUsersLanguage)
{
    UserLocale user("ru_RU.UTF-8");
    EXPECT_EQ(crypto::systemErrorText(ERROR_FILE_NOT_FOUND), formatted(ERROR_FILE_NOT_FOUND, russian));
}

TEST(SystemErrorText, EnglishUserGetsEnglishText)
{
    UserLocale user("en_US.UTF-8");
    EXPECT_EQ(crypto::systemErrorText(ERROR_FILE_NOT_FOUND), formatted(ERROR_FILE_NOT_FOUND, english));
}

TEST(SystemErrorText, KeepsTheLineBreakAtTheEnd)
{
    const std::wstring text = crypto::systemErrorText(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");
}

TEST(SystemErrorText, CodeZeroMeansTheLastError)
{
    SetLastError(ERROR_ACCESS_DENIED);
    EXPECT_EQ(crypto::systemErrorText(0), crypto::systemErrorText(ERROR_ACCESS_DENIED));
}

TEST(SystemErrorText, UnknownCodeGivesEmptyText) { EXPECT_EQ(crypto::systemErrorText(0x2FFF), L""); }

TEST(SystemErrorText, InsertsOfASystemTextAreNotExpanded)
{
    // No arguments exist to fill them: the text comes back with its inserts in place.
    const std::wstring text = crypto::systemErrorText(ERROR_MR_MID_NOT_FOUND);
    EXPECT_NE(text.find(L"%1"), std::wstring::npos) << text.size();
}

TEST(ThrowLastError, MessageIsTheSentenceFollowedByTheSystemText)
{
    UserLocale user("ru_RU.UTF-8");
    const crypto::CryptException e = caughtFrom([] {
        SetLastError(static_cast<DWORD>(CRYPT_E_NOT_FOUND));
        crypto::throwLastError(L"Для указанного хеша сертификат не найден\n");
    });
    EXPECT_EQ(e.message(), L"Для указанного хеша сертификат не найден\n" +
                               formatted(static_cast<DWORD>(CRYPT_E_NOT_FOUND), russian));
    EXPECT_EQ(e.code(), static_cast<int>(CRYPT_E_NOT_FOUND));
}

TEST(ThrowLastError, WithoutSentenceTheMessageIsTheSystemText)
{
    const crypto::CryptException e = caughtFrom([] {
        SetLastError(static_cast<DWORD>(NTE_BAD_KEYSET));
        crypto::throwLastError();
    });
    EXPECT_EQ(e.message(), crypto::systemErrorText(static_cast<DWORD>(NTE_BAD_KEYSET)));
    EXPECT_EQ(e.code(), static_cast<int>(NTE_BAD_KEYSET));
}

TEST(ThrowLastError, ErrorWithoutTextLeavesOnlyTheSentence)
{
    const crypto::CryptException e = caughtFrom([] {
        SetLastError(0x2FFF);
        crypto::throwLastError(L"Ошибка сериализации сертификата.\n");
    });
    EXPECT_EQ(e.message(), L"Ошибка сериализации сертификата.\n");
}
