// Between this host's wide text (one code point per wchar_t) and ICU's UTF-16 strings.
#pragma once

#include <unicode/unistr.h>
#include <unicode/utf16.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

inline bool isCodePoint(wchar_t c)
{
    const auto value = static_cast<std::uint32_t>(c);
    return value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
}

// A wchar_t that holds no code point (a surrogate, or beyond U+10FFFF) becomes U+FFFD.
inline icu::UnicodeString toUnicodeString(const wchar_t *text, std::size_t length)
{
    icu::UnicodeString result;
    for (std::size_t i = 0; i < length; ++i)
        result.append(static_cast<UChar32>(isCodePoint(text[i]) ? text[i] : 0xFFFD));
    return result;
}

inline icu::UnicodeString toUnicodeString(const std::wstring &text)
{
    return toUnicodeString(text.data(), text.size());
}

// A lone surrogate in the UTF-16 text is kept as its own value.
inline std::wstring toWide(const icu::UnicodeString &text)
{
    std::wstring result;
    result.reserve(text.length());
    const char16_t *units = text.getBuffer();
    const int32_t length = text.length();
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U16_NEXT(units, i, length, c);
        result += static_cast<wchar_t>(c);
    }
    return result;
}

} // namespace platform
