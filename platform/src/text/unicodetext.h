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

// UTF-16LE text as store files keep names (zero-terminated). Reads up to the terminating
// zero or the end of the bytes; true when the zero was found.
inline bool readUtf16le(const unsigned char *data, std::size_t size, std::wstring &text)
{
    text.clear();
    for (std::size_t at = 0; at + 1 < size; at += 2) {
        const unsigned unit = data[at] | static_cast<unsigned>(data[at + 1]) << 8;
        if (unit == 0)
            return true;
        if (unit >= 0xD800 && unit < 0xDC00 && at + 3 < size) {
            const unsigned low = data[at + 2] | static_cast<unsigned>(data[at + 3]) << 8;
            if (low >= 0xDC00 && low < 0xE000) {
                text += static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                at += 2;
                continue;
            }
        }
        text += static_cast<wchar_t>(unit);
    }
    return false;
}

// Appends `text` as zero-terminated UTF-16LE.
template <class Bytes>
void appendUtf16le(Bytes &out, const wchar_t *text)
{
    auto unit = [&](unsigned u) {
        out.push_back(static_cast<unsigned char>(u));
        out.push_back(static_cast<unsigned char>(u >> 8));
    };
    for (; *text; ++text) {
        auto c = static_cast<unsigned>(*text);
        if (c >= 0x10000 && c <= 0x10FFFF) {
            c -= 0x10000;
            unit(0xD800 + (c >> 10));
            unit(0xDC00 + (c & 0x3FF));
        } else {
            unit(c);
        }
    }
    unit(0);
}

} // namespace platform
