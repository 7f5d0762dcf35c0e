// ANSI text from providers as wide text.
#pragma once

#include <string>

namespace crypto {

// Converts `length` bytes of ANSI text (the system's ANSI code page); a length of -1 means
// up to the terminating zero. The result stops at the first zero.
std::wstring ansiToWide(const char *bytes, int length);

} // namespace crypto
