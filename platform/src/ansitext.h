// Narrow text as the ANSI calls hand it out: in the character set of the user's locale
// (CP_ACP), which is UTF-8 unless the locale names another.
#pragma once

#include <string>

namespace platform {

// The codeset of LC_ALL, else LC_CTYPE, else LANG ("ru_RU.CP1251" gives "CP1251"); for a
// locale named without one, the codeset the system defines for it; UTF-8 otherwise.
std::string ansiCharset();

// `text` in that character set; a character it cannot hold becomes '?', as the ANSI
// calls of Windows substitute it.
std::string toAnsi(const std::wstring &text);

} // namespace platform
