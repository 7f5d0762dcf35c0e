#include "text/utf8text.h"
#include "text/unicodetext.h"

#include <unicode/ustring.h>

#include <cstdint>

namespace platform {

std::string toUtf8(const std::wstring &text)
{
    std::string out;
    toUnicodeString(text).toUTF8String(out);
    return out;
}

std::wstring fromUtf8(const std::string &text) { return toWide(icu::UnicodeString::fromUTF8(text)); }

bool decodeUtf8(const std::string &text, std::wstring &out)
{
    out.clear();
    if (text.empty())
        return true;
    if (text.size() > static_cast<size_t>(INT32_MAX))
        return false;
    // Never more UTF-16 units than UTF-8 bytes.
    icu::UnicodeString units;
    const int32_t capacity = static_cast<int32_t>(text.size());
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(units.getBuffer(capacity), capacity, &length, text.data(), capacity, &status);
    units.releaseBuffer(U_SUCCESS(status) ? length : 0);
    if (U_FAILURE(status))
        return false; // U_INVALID_CHAR_FOUND: an ill-formed sequence
    out = toWide(units);
    return true;
}

} // namespace platform
