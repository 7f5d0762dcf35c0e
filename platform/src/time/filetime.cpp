// FileTimeToLocalFileTime and FileTimeToSystemTime.
#include "lasterror.h"

#include <ctime>

namespace {

constexpr unsigned long long ticksPerSecond = 10000000ULL; // FILETIME counts 100 ns
constexpr unsigned long long ticksPerDay = 86400ULL * ticksPerSecond;
constexpr long long secondsFrom1601To1970 = 11644473600LL;
constexpr long long daysFrom1601To1970 = 134774;
// FILETIME values with the high bit set are outside the documented range.
constexpr unsigned long long maxFileTime = 0x7FFFFFFFFFFFFFFFULL;

unsigned long long ticksOf(const FILETIME &time)
{
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME fileTimeOf(unsigned long long ticks)
{
    return FILETIME{static_cast<DWORD>(ticks & 0xFFFFFFFFULL), static_cast<DWORD>(ticks >> 32)};
}

// The proleptic Gregorian date of a day counted from 1970-01-01 (H. Hinnant's
// civil_from_days).
void civilFromDays(long long days, long long &year, unsigned &month, unsigned &day)
{
    days += 719468;
    const long long era = (days >= 0 ? days : days - 146096) / 146097;
    const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
    const unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const unsigned shiftedMonth = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * shiftedMonth + 2) / 5 + 1;
    month = shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9;
    year = static_cast<long long>(yearOfEra) + era * 400 + (month <= 2 ? 1 : 0);
}

} // namespace

BOOL WINAPI FileTimeToLocalFileTime(const FILETIME *lpFileTime, LPFILETIME lpLocalFileTime)
{
    if (!lpFileTime || !lpLocalFileTime)
        return platform::fail(ERROR_INVALID_PARAMETER, FALSE);
    const unsigned long long ticks = ticksOf(*lpFileTime);
    if (ticks > maxFileTime)
        return platform::fail(ERROR_INVALID_PARAMETER, FALSE);

    // The offset in force at that instant, daylight saving included, in the zone that TZ
    // names (or the system's); tzset picks up a TZ changed since the last call.
    const std::time_t seconds = static_cast<std::time_t>(ticks / ticksPerSecond) - secondsFrom1601To1970;
    tzset();
    std::tm local{};
    if (!localtime_r(&seconds, &local))
        return platform::fail(ERROR_INVALID_PARAMETER, FALSE);
    const long long shifted = static_cast<long long>(ticks) + static_cast<long long>(local.tm_gmtoff) *
                                                                  static_cast<long long>(ticksPerSecond);
    if (shifted < 0)
        return platform::fail(ERROR_INVALID_PARAMETER, FALSE);
    *lpLocalFileTime = fileTimeOf(static_cast<unsigned long long>(shifted));
    return TRUE;
}

BOOL WINAPI FileTimeToSystemTime(const FILETIME *lpFileTime, LPSYSTEMTIME lpSystemTime)
{
    if (!lpFileTime || !lpSystemTime)
        return platform::fail(ERROR_INVALID_PARAMETER, FALSE);
    const unsigned long long ticks = ticksOf(*lpFileTime);
    if (ticks > maxFileTime)
        return platform::fail(ERROR_INVALID_PARAMETER, FALSE);

    const auto days = static_cast<long long>(ticks / ticksPerDay);
    unsigned long long rest = ticks % ticksPerDay;
    long long year;
    unsigned month, day;
    civilFromDays(days - daysFrom1601To1970, year, month, day);

    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wDayOfWeek = static_cast<WORD>((days + 1) % 7); // 1601-01-01 was a Monday
    time.wHour = static_cast<WORD>(rest / (3600 * ticksPerSecond));
    rest %= 3600 * ticksPerSecond;
    time.wMinute = static_cast<WORD>(rest / (60 * ticksPerSecond));
    rest %= 60 * ticksPerSecond;
    time.wSecond = static_cast<WORD>(rest / ticksPerSecond);
    time.wMilliseconds = static_cast<WORD>(rest % ticksPerSecond / 10000);
    *lpSystemTime = time;
    return TRUE;
}
