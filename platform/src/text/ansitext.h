// Narrow text as the ANSI calls hand it out: in the character set of the user's locale
// (CP_ACP), which is UTF-8 unless the locale names another.
#pragma once

#include <string>

namespace platform {

// `text` in that character set; a character it cannot hold becomes '?', as the ANSI
// calls of Windows substitute it.
std::string toAnsi(const std::wstring &text);

} // namespace platform
