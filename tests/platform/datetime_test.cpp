#include "scopedenvironment.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

// Instants as FILETIME (100 ns since 1601-01-01 UTC), from `date -u -d ... +%s`.
constexpr unsigned long long unixEpoch = 116444736000000000ULL;          // 1970-01-01 00:00:00
constexpr unsigned long long newYearsEveMoscow = 137272122000000000ULL;  // 2035-12-31 18:30:00
constexpr unsigned long long berlinSummer = 137113776000000000ULL;       // 2035-07-01 12:00:00
constexpr unsigned long long berlinWinter = 136969488000000000ULL;       // 2035-01-15 12:00:00
constexpr unsigned long long leapDay = 133537247990000000ULL;            // 2024-02-29 23:59:59

FILETIME fileTime(unsigned long long ticks)
{
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFF), static_cast<DWORD>(ticks >> 32)};
}

unsigned long long ticksOf(const FILETIME &time)
{
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

SYSTEMTIME systemTime(unsigned long long ticks)
{
    const FILETIME time = fileTime(ticks);
    SYSTEMTIME result{};
    EXPECT_TRUE(FileTimeToSystemTime(&time, &result));
    return result;
}

SYSTEMTIME localSystemTime(unsigned long long ticks)
{
    const FILETIME utc = fileTime(ticks);
    FILETIME local{};
    EXPECT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    SYSTEMTIME result{};
    EXPECT_TRUE(FileTimeToSystemTime(&local, &result));
    return result;
}

SYSTEMTIME date(WORD year, WORD month, WORD day, WORD hour = 0, WORD minute = 0, WORD second = 0)
{
    SYSTEMTIME time{};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    return time;
}

const SYSTEMTIME newYearsEve = date(2035, 12, 31, 21, 30, 0);

// Two calls, as callers that do not know the length make them.
std::wstring dateText(const SYSTEMTIME &time, DWORD flags, const wchar_t *picture = nullptr,
                      LCID locale = LOCALE_USER_DEFAULT)
{
    const int size = GetDateFormatW(locale, flags, &time, picture, nullptr, 0);
    if (size == 0)
        return L"<error " + std::to_wstring(GetLastError()) + L">";
    std::wstring text(static_cast<std::size_t>(size), L'#');
    EXPECT_EQ(GetDateFormatW(locale, flags, &time, picture, &text[0], size), size);
    EXPECT_EQ(text.back(), L'\0');
    text.pop_back();
    return text;
}

std::wstring timeText(const SYSTEMTIME &time, DWORD flags, const wchar_t *picture = nullptr,
                      LCID locale = LOCALE_USER_DEFAULT)
{
    const int size = GetTimeFormatW(locale, flags, &time, picture, nullptr, 0);
    if (size == 0)
        return L"<error " + std::to_wstring(GetLastError()) + L">";
    std::wstring text(static_cast<std::size_t>(size), L'#');
    EXPECT_EQ(GetTimeFormatW(locale, flags, &time, picture, &text[0], size), size);
    EXPECT_EQ(text.back(), L'\0');
    text.pop_back();
    return text;
}

class RussianUser : public ::testing::Test {
protected:
    void SetUp() override { m_environment.locale("ru_RU.UTF-8").set("TZ", "Europe/Moscow"); }
    ScopedEnvironment m_environment;
};

class EnglishUser : public ::testing::Test {
protected:
    void SetUp() override { m_environment.locale("en_US.UTF-8").set("TZ", "America/New_York"); }
    ScopedEnvironment m_environment;
};

} // namespace

// ---- FILETIME to SYSTEMTIME -------------------------------------------------------------

TEST(SystemTimeFromFileTime, ZeroIsTheFirstOf1601AMonday)
{
    const SYSTEMTIME time = systemTime(0);
    EXPECT_EQ(time.wYear, 1601);
    EXPECT_EQ(time.wMonth, 1);
    EXPECT_EQ(time.wDay, 1);
    EXPECT_EQ(time.wDayOfWeek, 1);
    EXPECT_EQ(time.wHour, 0);
}

TEST(SystemTimeFromFileTime, UnixEpochIsAThursday)
{
    const SYSTEMTIME time = systemTime(unixEpoch);
    EXPECT_EQ(time.wYear, 1970);
    EXPECT_EQ(time.wMonth, 1);
    EXPECT_EQ(time.wDay, 1);
    EXPECT_EQ(time.wDayOfWeek, 4);
}

TEST(SystemTimeFromFileTime, LeapDayWithTimeAndMilliseconds)
{
    const SYSTEMTIME time = systemTime(leapDay + 1234567); // + 123.4567 ms
    EXPECT_EQ(time.wYear, 2024);
    EXPECT_EQ(time.wMonth, 2);
    EXPECT_EQ(time.wDay, 29);
    EXPECT_EQ(time.wDayOfWeek, 4);
    EXPECT_EQ(time.wHour, 23);
    EXPECT_EQ(time.wMinute, 59);
    EXPECT_EQ(time.wSecond, 59);
    EXPECT_EQ(time.wMilliseconds, 123);
}

TEST(SystemTimeFromFileTime, LargestValidValue)
{
    const SYSTEMTIME time = systemTime(0x7FFFFFFFFFFFFFFFULL);
    EXPECT_EQ(time.wYear, 30828);
    EXPECT_EQ(time.wMonth, 9);
    EXPECT_EQ(time.wDay, 14);
    EXPECT_EQ(time.wHour, 2);
    EXPECT_EQ(time.wMinute, 48);
    EXPECT_EQ(time.wSecond, 5);
    EXPECT_EQ(time.wMilliseconds, 477);
}

TEST(SystemTimeFromFileTime, HighBitSetIsInvalid)
{
    const FILETIME time = fileTime(0x8000000000000000ULL);
    SYSTEMTIME result{};
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(FileTimeToSystemTime(&time, &result));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// ---- Local time -------------------------------------------------------------------------

TEST(LocalFileTime, MoscowIsThreeHoursAhead)
{
    ScopedEnvironment environment;
    environment.set("TZ", "Europe/Moscow");
    const SYSTEMTIME time = localSystemTime(newYearsEveMoscow);
    EXPECT_EQ(time.wDay, 31);
    EXPECT_EQ(time.wHour, 21);
    EXPECT_EQ(time.wMinute, 30);
}

TEST(LocalFileTime, BerlinSummerTimeIsTwoHoursAhead)
{
    ScopedEnvironment environment;
    environment.set("TZ", "Europe/Berlin");
    EXPECT_EQ(localSystemTime(berlinSummer).wHour, 14);
}

TEST(LocalFileTime, BerlinWinterTimeIsOneHourAhead)
{
    ScopedEnvironment environment;
    environment.set("TZ", "Europe/Berlin");
    EXPECT_EQ(localSystemTime(berlinWinter).wHour, 13);
}

TEST(LocalFileTime, UtcKeepsTheValue)
{
    ScopedEnvironment environment;
    environment.set("TZ", "UTC");
    const FILETIME utc = fileTime(newYearsEveMoscow + 1);
    FILETIME local{};
    ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(ticksOf(local), newYearsEveMoscow + 1);
}

TEST(LocalFileTime, ZoneChangeTakesEffectAtOnce)
{
    ScopedEnvironment environment;
    environment.set("TZ", "Europe/Moscow");
    const WORD moscow = localSystemTime(newYearsEveMoscow).wHour;
    environment.set("TZ", "Asia/Tokyo");
    EXPECT_EQ(moscow, 21);
    EXPECT_EQ(localSystemTime(newYearsEveMoscow).wHour, 3);
}

TEST(LocalFileTime, ZoneWestOfGreenwichBeforeTheStartOfTimeIsInvalid)
{
    ScopedEnvironment environment;
    environment.set("TZ", "America/New_York");
    const FILETIME utc = fileTime(0);
    FILETIME local{};
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(FileTimeToLocalFileTime(&utc, &local));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

// ---- Dates and times of a Russian user --------------------------------------------------

TEST_F(RussianUser, LongDate) { EXPECT_EQ(dateText(newYearsEve, DATE_LONGDATE), L"31 декабря 2035 г."); }

TEST_F(RussianUser, ShortDate) { EXPECT_EQ(dateText(newYearsEve, DATE_SHORTDATE), L"31.12.2035"); }

TEST_F(RussianUser, NoFlagsMeansShortDate) { EXPECT_EQ(dateText(newYearsEve, 0), L"31.12.2035"); }

TEST_F(RussianUser, TimeWithSeconds) { EXPECT_EQ(timeText(newYearsEve, 0), L"21:30:00"); }

TEST_F(RussianUser, TimeWithoutSeconds) { EXPECT_EQ(timeText(newYearsEve, TIME_NOSECONDS), L"21:30"); }

TEST_F(RussianUser, TimeWithoutMinutesOrSeconds)
{
    EXPECT_EQ(timeText(newYearsEve, TIME_NOMINUTESORSECONDS), L"21");
}

TEST_F(RussianUser, CertificateDateAsTheRecordShowsIt)
{
    // A certificate's end of validity in UTC, shown as local long date, space, time.
    const SYSTEMTIME local = localSystemTime(newYearsEveMoscow);
    wchar_t dateBuffer[256] = {};
    wchar_t timeBuffer[256] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &local, nullptr, dateBuffer, 255);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &local, nullptr, timeBuffer, 255);
    EXPECT_EQ(std::wstring(dateBuffer) + L" " + timeBuffer, L"31 декабря 2035 г. 21:30:00");
}

TEST_F(RussianUser, PictureWithDayNameAndGenitiveMonth)
{
    EXPECT_EQ(dateText(newYearsEve, 0, L"dddd, d MMMM yyyy"), L"понедельник, 31 декабря 2035");
}

TEST_F(RussianUser, PictureWithMonthAloneIsNominative)
{
    EXPECT_EQ(dateText(newYearsEve, 0, L"MMMM yyyy"), L"декабрь 2035");
}

TEST_F(RussianUser, PictureWithQuotedText)
{
    EXPECT_EQ(dateText(newYearsEve, 0, L"'Год' yyyy, 'д''Артаньян'"), L"Год 2035, д'Артаньян");
}

TEST_F(RussianUser, TimePictureWithQuotedText)
{
    EXPECT_EQ(timeText(newYearsEve, 0, L"H' ч 'mm' мин'"), L"21 ч 30 мин");
}

TEST_F(RussianUser, ExplicitEnglishLocale)
{
    EXPECT_EQ(dateText(newYearsEve, DATE_LONGDATE, nullptr, 0x0409), L"December 31, 2035");
}

TEST_F(RussianUser, SystemDefaultLocaleIsTheUsers)
{
    EXPECT_EQ(dateText(newYearsEve, DATE_LONGDATE, nullptr, LOCALE_SYSTEM_DEFAULT), L"31 декабря 2035 г.");
}

// ---- Dates and times of an English user -------------------------------------------------

TEST_F(EnglishUser, LongDate) { EXPECT_EQ(dateText(newYearsEve, DATE_LONGDATE), L"December 31, 2035"); }

TEST_F(EnglishUser, ShortDateHasTheFullYear) { EXPECT_EQ(dateText(newYearsEve, DATE_SHORTDATE), L"12/31/2035"); }

TEST_F(EnglishUser, TimeHasTwelveHoursAndMarker) { EXPECT_EQ(timeText(newYearsEve, 0), L"9:30:00 PM"); }

TEST_F(EnglishUser, TimeWithoutSeconds) { EXPECT_EQ(timeText(newYearsEve, TIME_NOSECONDS), L"9:30 PM"); }

TEST_F(EnglishUser, TimeWithoutMarker) { EXPECT_EQ(timeText(newYearsEve, TIME_NOTIMEMARKER), L"9:30:00"); }

TEST_F(EnglishUser, ForcedTwentyFourHours)
{
    EXPECT_EQ(timeText(newYearsEve, TIME_FORCE24HOURFORMAT), L"21:30:00");
}

TEST_F(EnglishUser, ExplicitRussianLocale)
{
    EXPECT_EQ(dateText(newYearsEve, DATE_LONGDATE, nullptr, 0x0419), L"31 декабря 2035 г.");
}

TEST_F(EnglishUser, PictureWithAbbreviationsAndEra)
{
    EXPECT_EQ(dateText(newYearsEve, 0, L"ddd, MMM d, yyyy gg"), L"Mon, Dec 31, 2035 AD");
}

TEST_F(EnglishUser, PictureNumbersWithAndWithoutLeadingZeros)
{
    EXPECT_EQ(dateText(date(2005, 3, 7), 0, L"d.M.y dd.MM.yy"), L"7.3.5 07.03.05");
}

TEST_F(EnglishUser, TimePictureTwelveHours)
{
    EXPECT_EQ(timeText(date(2035, 1, 1, 9, 5, 7), 0, L"hh:mm:ss tt|h t|HH"), L"09:05:07 AM|9 A|09");
}

TEST_F(EnglishUser, TimeFlagsApplyToAPicture)
{
    EXPECT_EQ(timeText(newYearsEve, TIME_NOSECONDS, L"hh:mm:ss tt"), L"09:30 PM");
}

// ---- The two-call contract and bad input ------------------------------------------------

TEST_F(RussianUser, SizeQueryCountsTheTerminatingZero)
{
    EXPECT_EQ(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &newYearsEve, nullptr, nullptr, 0), 11);
    EXPECT_EQ(GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &newYearsEve, nullptr, nullptr, 0), 9);
}

TEST_F(RussianUser, DateBufferTooSmallFails)
{
    wchar_t buffer[10];
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &newYearsEve, nullptr, buffer, 10), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(RussianUser, InvalidDatesAreRejected)
{
    EXPECT_EQ(dateText(date(2035, 13, 1), 0), L"<error 87>");
    EXPECT_EQ(dateText(date(2035, 2, 29), 0), L"<error 87>");
    EXPECT_EQ(dateText(date(2035, 1, 0), 0), L"<error 87>");
}

TEST_F(RussianUser, LeapDayIsAValidDate) { EXPECT_EQ(dateText(date(2024, 2, 29), 0), L"29.02.2024"); }

TEST_F(RussianUser, InvalidTimesAreRejected)
{
    EXPECT_EQ(timeText(date(2035, 1, 1, 24, 0, 0), 0), L"<error 87>");
    EXPECT_EQ(timeText(date(2035, 1, 1, 0, 60, 0), 0), L"<error 87>");
}

TEST_F(RussianUser, OtherLocalesAreRejected)
{
    EXPECT_EQ(dateText(newYearsEve, 0, nullptr, 0x0407), L"<error 87>");
    EXPECT_EQ(timeText(newYearsEve, 0, nullptr, 0x0407), L"<error 87>");
}

TEST_F(RussianUser, LongAndShortTogetherAreInvalidFlags)
{
    EXPECT_EQ(dateText(newYearsEve, DATE_LONGDATE | DATE_SHORTDATE), L"<error 1004>");
}

TEST_F(RussianUser, StyleWithPictureIsInvalidFlags)
{
    EXPECT_EQ(dateText(newYearsEve, DATE_LONGDATE, L"d"), L"<error 1004>");
}

TEST_F(RussianUser, NoDateMeansToday)
{
    EXPECT_GT(GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, nullptr, nullptr, nullptr, 0), 1);
}
