// The user's locale choices, read from the environment at each call so that a change of
// LC_ALL, LC_MESSAGES, LC_CTYPE, LC_TIME or LANG takes effect at once.
#pragma once

#include <windows.h>

#include <unicode/locid.h>

#include <string>

namespace platform {

enum class MessageLanguage { English, Russian };

// The language of system message texts: Russian when LC_ALL, else LC_MESSAGES, else LANG
// names a Russian locale; English otherwise.
MessageLanguage userMessageLanguage();

// The character set of the user's locale (LC_ALL, else LC_CTYPE, else LANG) as a name that
// ICU's converters know: the locale's codeset ("ru_RU.CP1251" gives "CP1251"); UTF-8 for
// the C locale and for a locale whose codeset is unknown.
std::string userCharset();

// The locale that dates and times are written in (LC_ALL, else LC_TIME, else LANG); the C
// locale writes as en_US.
icu::Locale userFormatLocale();

// The formatting locale for a Windows locale identifier: the user's locale for
// LOCALE_USER_DEFAULT and LOCALE_SYSTEM_DEFAULT, ru_RU for 0x0419, en_US for 0x0409;
// false for any other identifier.
bool formatLocaleFor(LCID lcid, icu::Locale &locale);

} // namespace platform
