#include "text/userlocale.h"

#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>

namespace platform {

namespace {

// POSIX precedence: LC_ALL overrides the category's own variable, which overrides LANG;
// an empty variable counts as unset.
std::string localeNameFor(const char *category)
{
    for (const char *variable : {"LC_ALL", category, "LANG"}) {
        const char *value = std::getenv(variable);
        if (value && *value)
            return value;
    }
    return "C";
}

bool isPosixLocale(const std::string &name) { return name == "C" || name == "POSIX"; }

// "ru_RU.UTF-8@euro" -> "ru_RU": the part before the codeset and the modifier.
std::string withoutCodesetAndModifier(const std::string &name)
{
    return name.substr(0, name.find_first_of(".@"));
}

// "ru_RU.UTF-8" -> "ru".
std::string languageOf(const std::string &name) { return name.substr(0, name.find_first_of("_.@")); }

// "ru_RU.CP1251@x" -> "CP1251"; empty when the name has no codeset.
std::string codesetOf(const std::string &name)
{
    const auto dot = name.find('.');
    if (dot == std::string::npos)
        return {};
    return name.substr(dot + 1, name.find('@', dot) - dot - 1);
}

} // namespace

MessageLanguage userMessageLanguage()
{
    return languageOf(localeNameFor("LC_MESSAGES")) == "ru" ? MessageLanguage::Russian
                                                            : MessageLanguage::English;
}

std::string userCharset()
{
    const std::string name = localeNameFor("LC_CTYPE");
    std::string codeset = codesetOf(name);
    if (!codeset.empty())
        return codeset;
    // A locale named without a codeset ("ru_RU") has the one the system defined for it;
    // only an installed locale can say which.
    if (!isPosixLocale(withoutCodesetAndModifier(name))) {
        if (locale_t installed = newlocale(LC_CTYPE_MASK, name.c_str(), nullptr)) {
            codeset = nl_langinfo_l(CODESET, installed);
            freelocale(installed);
            if (!codeset.empty())
                return codeset;
        }
    }
    return "UTF-8";
}

icu::Locale userFormatLocale()
{
    const std::string name = withoutCodesetAndModifier(localeNameFor("LC_TIME"));
    if (isPosixLocale(name))
        return icu::Locale("en_US");
    return icu::Locale(name.c_str());
}

bool formatLocaleFor(LCID lcid, icu::Locale &locale)
{
    switch (lcid) {
    case LOCALE_USER_DEFAULT:
    case LOCALE_SYSTEM_DEFAULT:
        locale = userFormatLocale();
        return true;
    case MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT):
        locale = icu::Locale("ru_RU");
        return true;
    case MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT):
        locale = icu::Locale("en_US");
        return true;
    default:
        return false;
    }
}

} // namespace platform
