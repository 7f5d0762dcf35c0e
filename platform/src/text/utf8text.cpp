#include "text/utf8text.h"
#include "text/unicodetext.h"

namespace platform {

std::string toUtf8(const std::wstring &text)
{
    std::string out;
    toUnicodeString(text).toUTF8String(out);
    return out;
}

std::wstring fromUtf8(const std::string &text) { return toWide(icu::UnicodeString::fromUTF8(text)); }

} // namespace platform
