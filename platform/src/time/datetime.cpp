// GetDateFormatW and GetTimeFormatW: dates and times as the user's locale writes them.
//
// A Windows format picture (or the locale's default format) becomes an ICU pattern, which
// ICU formats with the GMT zone, since a SYSTEMTIME is already the wanted wall-clock time.
#include "lasterror.h"
#include "text/unicodetext.h"
#include "text/userlocale.h"

#include <unicode/dtfmtsym.h>
#include <unicode/dtptngen.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <ctime>
#include <cwchar>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

// ---- Patterns as tokens ----------------------------------------------------------------

// One element of an ICU pattern: a field ("MMMM") or literal text. Two fields of Windows
// pictures that ICU lacks are resolved only when the value is known.
struct Token {
    enum class Kind { Field, Literal, YearWithoutCentury, MarkerInitial } kind;
    char16_t letter = 0;
    int count = 0;
    icu::UnicodeString literal;
};

using Pattern = std::vector<Token>;

Token field(char16_t letter, int count) { return {Token::Kind::Field, letter, count, {}}; }
Token literal(const icu::UnicodeString &text) { return {Token::Kind::Literal, 0, 0, text}; }

bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// Splits a picture into quoted or plain literal text and runs of one letter; in both ICU
// patterns and Windows pictures a quote pair stands for one quote. `isField` says which
// letters are fields; the others are literal text.
template <class IsField, class OnField>
Pattern tokenize(const icu::UnicodeString &picture, IsField isField, OnField onField)
{
    Pattern tokens;
    icu::UnicodeString text;
    auto flush = [&] {
        if (!text.isEmpty())
            tokens.push_back(literal(text));
        text.remove();
    };
    const int32_t length = picture.length();
    for (int32_t i = 0; i < length;) {
        const char16_t c = picture[i];
        if (c == u'\'') {
            if (i + 1 < length && picture[i + 1] == u'\'') {
                text += u'\'';
                i += 2;
                continue;
            }
            for (++i; i < length; ++i) {
                if (picture[i] == u'\'') {
                    if (i + 1 < length && picture[i + 1] == u'\'') {
                        text += u'\'';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                text += picture[i];
            }
            continue;
        }
        if (isField(c)) {
            int count = 1;
            while (i + count < length && picture[i + count] == c)
                ++count;
            flush();
            onField(tokens, c, count);
            i += count;
            continue;
        }
        text += c;
        ++i;
    }
    flush();
    return tokens;
}

// A default pattern of ICU: its no-break spaces become plain ones, as in Windows' own
// locale formats ("31 декабря 2035 г.", "9:30:00 PM").
Pattern fromIcuPattern(const icu::UnicodeString &pattern)
{
    Pattern tokens = tokenize(pattern, isAsciiLetter,
                              [](Pattern &out, char16_t c, int count) { out.push_back(field(c, count)); });
    for (Token &token : tokens)
        if (token.kind == Token::Kind::Literal) {
            token.literal.findAndReplace(icu::UnicodeString(u'\u00A0'), icu::UnicodeString(u' '));
            token.literal.findAndReplace(icu::UnicodeString(u'\u202F'), icu::UnicodeString(u' '));
        }
    return tokens;
}

// Windows date pictures: d dd ddd dddd, M MM MMM MMMM, y yy yyyy, g gg.
Pattern fromDatePicture(const icu::UnicodeString &picture)
{
    // A month name next to a day number is in the genitive ("31 декабря"), else it stands
    // alone ("декабрь 2035"); ICU's "M" and "L" make that distinction.
    bool hasDayNumber = false;
    tokenize(picture, [](char16_t c) { return c == u'd'; },
             [&](Pattern &, char16_t, int count) { hasDayNumber = hasDayNumber || count <= 2; });
    return tokenize(
        picture, [](char16_t c) { return c == u'd' || c == u'M' || c == u'y' || c == u'g'; },
        [&](Pattern &out, char16_t c, int count) {
            switch (c) {
            case u'd':
                out.push_back(count <= 2 ? field(u'd', count) : field(u'E', count == 3 ? 3 : 4));
                break;
            case u'M':
                if (count <= 2)
                    out.push_back(field(u'M', count));
                else
                    out.push_back(field(hasDayNumber ? u'M' : u'L', count == 3 ? 3 : 4));
                break;
            case u'y':
                if (count == 1)
                    out.push_back({Token::Kind::YearWithoutCentury, 0, 0, {}});
                else
                    out.push_back(field(u'y', count == 2 ? 2 : 4));
                break;
            default:
                out.push_back(field(u'G', 1));
                break;
            }
        });
}

// Windows time pictures: h hh H HH m mm s ss t tt.
Pattern fromTimePicture(const icu::UnicodeString &picture)
{
    return tokenize(
        picture, [](char16_t c) { return c == u'h' || c == u'H' || c == u'm' || c == u's' || c == u't'; },
        [](Pattern &out, char16_t c, int count) {
            if (c == u't') {
                if (count == 1)
                    out.push_back({Token::Kind::MarkerInitial, 0, 0, {}});
                else
                    out.push_back(field(u'a', 1));
                return;
            }
            out.push_back(field(c, count > 2 ? 2 : count));
        });
}

// Removes the fields `remove` picks, each with the separator before it (or, for a
// leading field, the one after it).
template <class Remove>
void removeFields(Pattern &tokens, Remove remove)
{
    for (std::size_t i = 0; i < tokens.size();) {
        const Token &token = tokens[i];
        const bool isMarker = token.kind == Token::Kind::MarkerInitial;
        if (!(token.kind == Token::Kind::Field || isMarker) || !remove(isMarker ? u'a' : token.letter)) {
            ++i;
            continue;
        }
        tokens.erase(tokens.begin() + static_cast<long>(i));
        if (i > 0 && tokens[i - 1].kind == Token::Kind::Literal) {
            tokens.erase(tokens.begin() + static_cast<long>(i - 1));
            --i;
        } else if (i < tokens.size() && tokens[i].kind == Token::Kind::Literal) {
            tokens.erase(tokens.begin() + static_cast<long>(i));
        }
    }
}

bool isDayPeriod(char16_t c) { return c == u'a' || c == u'b' || c == u'B'; }

void applyTimeFlags(Pattern &tokens, DWORD flags)
{
    if (flags & TIME_NOMINUTESORSECONDS)
        removeFields(tokens, [](char16_t c) { return c == u'm' || c == u's' || c == u'S'; });
    else if (flags & TIME_NOSECONDS)
        removeFields(tokens, [](char16_t c) { return c == u's' || c == u'S'; });
    if (flags & (TIME_NOTIMEMARKER | TIME_FORCE24HOURFORMAT))
        removeFields(tokens, isDayPeriod);
    if (flags & TIME_FORCE24HOURFORMAT)
        for (Token &token : tokens)
            if (token.kind == Token::Kind::Field && (token.letter == u'h' || token.letter == u'K' || token.letter == u'k'))
                token.letter = u'H';
}

icu::UnicodeString quoted(const icu::UnicodeString &text)
{
    icu::UnicodeString escaped(text);
    escaped.findAndReplace(icu::UnicodeString(u'\''), icu::UnicodeString(u"''"));
    return icu::UnicodeString(u'\'') + escaped + icu::UnicodeString(u'\'');
}

icu::UnicodeString toIcuPattern(const Pattern &tokens, const SYSTEMTIME &time, const icu::Locale &locale)
{
    // Neighbouring literal text is quoted as one run: two quoted runs side by side would
    // read as a quote character ("'.''5'").
    icu::UnicodeString pattern, text;
    auto flush = [&] {
        if (!text.isEmpty())
            pattern += quoted(text);
        text.remove();
    };
    for (const Token &token : tokens) {
        switch (token.kind) {
        case Token::Kind::Field:
            flush();
            for (int i = 0; i < token.count; ++i)
                pattern += token.letter;
            break;
        case Token::Kind::Literal:
            text += token.literal;
            break;
        case Token::Kind::YearWithoutCentury:
            text += icu::UnicodeString::fromUTF8(std::to_string(time.wYear % 100));
            break;
        case Token::Kind::MarkerInitial: {
            UErrorCode status = U_ZERO_ERROR;
            icu::DateFormatSymbols symbols(locale, status);
            int32_t count = 0;
            const icu::UnicodeString *markers = symbols.getAmPmStrings(count);
            if (U_SUCCESS(status) && count == 2) {
                const icu::UnicodeString &marker = markers[time.wHour < 12 ? 0 : 1];
                text += marker.tempSubString(0, marker.moveIndex32(0, 1));
            }
            break;
        }
        }
    }
    flush();
    return pattern;
}

// ---- The locale's default formats -------------------------------------------------------

enum class DefaultFormat { ShortDate, LongDate, Time };

// Short dates are the locale's numeric date with the full year (its "yMd" form), long
// dates its long style, times its medium style (with seconds). Built once per thread.
icu::UnicodeString defaultPattern(const icu::Locale &locale, DefaultFormat format)
{
    thread_local std::map<std::pair<std::string, DefaultFormat>, icu::UnicodeString> cache;
    const auto key = std::make_pair(std::string(locale.getName()), format);
    const auto found = cache.find(key);
    if (found != cache.end())
        return found->second;

    icu::UnicodeString pattern;
    UErrorCode status = U_ZERO_ERROR;
    if (format == DefaultFormat::ShortDate) {
        std::unique_ptr<icu::DateTimePatternGenerator> generator(
            icu::DateTimePatternGenerator::createInstance(locale, status));
        if (U_SUCCESS(status))
            pattern = generator->getBestPattern(icu::UnicodeString(u"yMd"), status);
    } else {
        std::unique_ptr<icu::DateFormat> icuFormat(
            format == DefaultFormat::LongDate ? icu::DateFormat::createDateInstance(icu::DateFormat::kLong, locale)
                                              : icu::DateFormat::createTimeInstance(icu::DateFormat::kMedium, locale));
        if (auto *simple = dynamic_cast<icu::SimpleDateFormat *>(icuFormat.get()))
            simple->toPattern(pattern);
    }
    if (U_FAILURE(status) || pattern.isEmpty())
        pattern = icu::UnicodeString(format == DefaultFormat::ShortDate  ? u"y-MM-dd"
                                     : format == DefaultFormat::LongDate ? u"d MMMM y"
                                                                         : u"HH:mm:ss");
    cache.emplace(key, pattern);
    return pattern;
}

// ---- Formatting ------------------------------------------------------------------------

long long daysFromCivil(long long year, unsigned month, unsigned day)
{
    year -= month <= 2 ? 1 : 0;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const auto yearOfEra = static_cast<unsigned>(year - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + static_cast<long long>(dayOfEra) - 719468;
}

UDate toUDate(const SYSTEMTIME &time, bool withDate)
{
    const long long days = withDate ? daysFromCivil(time.wYear, time.wMonth, time.wDay) : 0;
    const long long milliseconds =
        ((static_cast<long long>(time.wHour) * 60 + time.wMinute) * 60 + time.wSecond) * 1000 + time.wMilliseconds;
    return static_cast<UDate>(days * 86400000LL + milliseconds);
}

// Formatters are costly to build and a list of certificates formats many dates in a row;
// each thread keeps the ones it made.
icu::SimpleDateFormat *formatterFor(const icu::Locale &locale, const icu::UnicodeString &pattern)
{
    thread_local std::map<std::pair<std::string, icu::UnicodeString>, std::unique_ptr<icu::SimpleDateFormat>> cache;
    const auto key = std::make_pair(std::string(locale.getName()), pattern);
    auto found = cache.find(key);
    if (found != cache.end())
        return found->second.get();
    if (cache.size() >= 64)
        cache.clear();
    UErrorCode status = U_ZERO_ERROR;
    auto formatter = std::make_unique<icu::SimpleDateFormat>(pattern, locale, status);
    if (U_FAILURE(status))
        return nullptr;
    formatter->setTimeZone(*icu::TimeZone::getGMT());
    return cache.emplace(key, std::move(formatter)).first->second.get();
}

bool isLeapYear(unsigned year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

bool isValidDate(const SYSTEMTIME &time)
{
    static const unsigned daysInMonth[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (time.wYear < 1601 || time.wYear > 30827 || time.wMonth < 1 || time.wMonth > 12 || time.wDay < 1)
        return false;
    const unsigned last = daysInMonth[time.wMonth - 1] + (time.wMonth == 2 && isLeapYear(time.wYear) ? 1 : 0);
    return time.wDay <= last;
}

bool isValidTime(const SYSTEMTIME &time)
{
    return time.wHour < 24 && time.wMinute < 60 && time.wSecond < 60 && time.wMilliseconds < 1000;
}

SYSTEMTIME localNow()
{
    std::timespec now{};
    std::timespec_get(&now, TIME_UTC);
    const unsigned long long ticks = (static_cast<unsigned long long>(now.tv_sec) + 11644473600ULL) * 10000000ULL +
                                     static_cast<unsigned long long>(now.tv_nsec) / 100;
    const FILETIME utc{static_cast<DWORD>(ticks & 0xFFFFFFFFULL), static_cast<DWORD>(ticks >> 32)};
    FILETIME local{};
    SYSTEMTIME time{};
    FileTimeToLocalFileTime(&utc, &local);
    FileTimeToSystemTime(&local, &time);
    return time;
}

// Copies the text out under the two-call contract; the result counts the terminating zero.
int deliver(const icu::UnicodeString &text, LPWSTR buffer, int size)
{
    const std::wstring wide = platform::toWide(text);
    const int needed = static_cast<int>(wide.size()) + 1;
    if (size == 0)
        return needed;
    if (needed > size)
        return platform::fail(ERROR_INSUFFICIENT_BUFFER, 0);
    std::wmemcpy(buffer, wide.c_str(), static_cast<std::size_t>(needed));
    return needed;
}

int format(const icu::Locale &locale, const Pattern &tokens, const SYSTEMTIME &time, bool withDate, LPWSTR buffer,
           int size)
{
    icu::SimpleDateFormat *formatter = formatterFor(locale, toIcuPattern(tokens, time, locale));
    if (!formatter)
        return platform::fail(ERROR_INVALID_PARAMETER, 0);
    icu::UnicodeString text;
    formatter->format(toUDate(time, withDate), text);
    return deliver(text, buffer, size);
}

} // namespace

int WINAPI GetDateFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME *lpDate, LPCWSTR lpFormat, LPWSTR lpDateStr,
                          int cchDate)
{
    if (cchDate < 0 || (cchDate > 0 && !lpDateStr))
        return platform::fail(ERROR_INVALID_PARAMETER, 0);
    icu::Locale locale;
    if (!platform::formatLocaleFor(Locale, locale))
        return platform::fail(ERROR_INVALID_PARAMETER, 0);
    constexpr DWORD knownFlags = DATE_SHORTDATE | DATE_LONGDATE | DATE_USE_ALT_CALENDAR | LOCALE_NOUSEROVERRIDE;
    const DWORD style = dwFlags & (DATE_SHORTDATE | DATE_LONGDATE);
    if ((dwFlags & ~knownFlags) || style == (DATE_SHORTDATE | DATE_LONGDATE) || (lpFormat && style))
        return platform::fail(ERROR_INVALID_FLAGS, 0);

    const SYSTEMTIME date = lpDate ? *lpDate : localNow();
    if (!isValidDate(date))
        return platform::fail(ERROR_INVALID_PARAMETER, 0);

    const Pattern tokens =
        lpFormat ? fromDatePicture(platform::toUnicodeString(lpFormat))
                 : fromIcuPattern(defaultPattern(locale, style == DATE_LONGDATE ? DefaultFormat::LongDate
                                                                                : DefaultFormat::ShortDate));
    return format(locale, tokens, date, true, lpDateStr, cchDate);
}

int WINAPI GetTimeFormatW(LCID Locale, DWORD dwFlags, const SYSTEMTIME *lpTime, LPCWSTR lpFormat, LPWSTR lpTimeStr,
                          int cchTime)
{
    if (cchTime < 0 || (cchTime > 0 && !lpTimeStr))
        return platform::fail(ERROR_INVALID_PARAMETER, 0);
    icu::Locale locale;
    if (!platform::formatLocaleFor(Locale, locale))
        return platform::fail(ERROR_INVALID_PARAMETER, 0);
    constexpr DWORD knownFlags = TIME_NOMINUTESORSECONDS | TIME_NOSECONDS | TIME_NOTIMEMARKER |
                                 TIME_FORCE24HOURFORMAT | LOCALE_NOUSEROVERRIDE;
    if (dwFlags & ~knownFlags)
        return platform::fail(ERROR_INVALID_FLAGS, 0);

    const SYSTEMTIME time = lpTime ? *lpTime : localNow();
    if (!isValidTime(time))
        return platform::fail(ERROR_INVALID_PARAMETER, 0);

    Pattern tokens = lpFormat ? fromTimePicture(platform::toUnicodeString(lpFormat))
                              : fromIcuPattern(defaultPattern(locale, DefaultFormat::Time));
    applyTimeFlags(tokens, dwFlags);
    return format(locale, tokens, time, false, lpTimeStr, cchTime);
}
