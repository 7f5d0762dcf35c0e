#include "certificates/asn1strings.h"

#include <openssl/asn1.h>

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstdint>

namespace platform {
namespace {

const wchar_t replacementCharacter = 0xFFFD;

bool isValidUtf8(const BYTE *bytes, std::int32_t size)
{
    for (std::int32_t i = 0; i < size;) {
        UChar32 c;
        U8_NEXT(bytes, i, size, c);
        if (c < 0)
            return false;
    }
    return true;
}

void appendUtf8(const BYTE *bytes, std::int32_t size, std::wstring &text)
{
    for (std::int32_t i = 0; i < size;) {
        UChar32 c;
        U8_NEXT(bytes, i, size, c);
        text += c < 0 ? replacementCharacter : static_cast<wchar_t>(c);
    }
}

void appendLatin1(const BYTE *bytes, std::size_t size, std::wstring &text)
{
    for (std::size_t i = 0; i < size; ++i)
        text += static_cast<wchar_t>(bytes[i]);
}

// BMPString: UTF-16 big-endian; a pair of surrogates is one character.
void appendUtf16BigEndian(const BYTE *bytes, std::size_t size, std::wstring &text)
{
    std::u16string units(size / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>((bytes[2 * i] << 8) | bytes[2 * i + 1]);
    const std::int32_t count = static_cast<std::int32_t>(units.size());
    for (std::int32_t i = 0; i < count;) {
        UChar32 c;
        U16_NEXT(units.data(), i, count, c);
        text += U_IS_SURROGATE(c) ? replacementCharacter : static_cast<wchar_t>(c);
    }
}

// UniversalString: UCS-4 big-endian.
void appendUcs4BigEndian(const BYTE *bytes, std::size_t size, std::wstring &text)
{
    for (std::size_t i = 0; i + 4 <= size; i += 4) {
        const std::uint32_t c = (std::uint32_t(bytes[i]) << 24) | (std::uint32_t(bytes[i + 1]) << 16) |
                                (std::uint32_t(bytes[i + 2]) << 8) | bytes[i + 3];
        text += (c > 0x10FFFF || U_IS_SURROGATE(c)) ? replacementCharacter : static_cast<wchar_t>(c);
    }
}

} // namespace

bool isStringTag(int tag)
{
    switch (tag) {
    case V_ASN1_UTF8STRING:
    case V_ASN1_NUMERICSTRING:
    case V_ASN1_PRINTABLESTRING:
    case V_ASN1_IA5STRING:
    case V_ASN1_VISIBLESTRING:
    case V_ASN1_T61STRING:
    case V_ASN1_VIDEOTEXSTRING:
    case V_ASN1_GRAPHICSTRING:
    case V_ASN1_GENERALSTRING:
    case V_ASN1_BMPSTRING:
    case V_ASN1_UNIVERSALSTRING:
        return true;
    default:
        return false;
    }
}

bool decodeStringValue(int tag, const BYTE *contents, std::size_t size, std::wstring &text)
{
    if (!isStringTag(tag) || size > INT32_MAX)
        return false;
    const std::int32_t length = static_cast<std::int32_t>(size);
    switch (tag) {
    case V_ASN1_UTF8STRING:
        appendUtf8(contents, length, text);
        return true;
    case V_ASN1_NUMERICSTRING:
    case V_ASN1_PRINTABLESTRING:
    case V_ASN1_IA5STRING:
    case V_ASN1_VISIBLESTRING:
        appendLatin1(contents, size, text);
        return true;
    // Teletex and its kin carry UTF-8 in practice when the bytes allow it, else Latin-1.
    case V_ASN1_T61STRING:
    case V_ASN1_VIDEOTEXSTRING:
    case V_ASN1_GRAPHICSTRING:
    case V_ASN1_GENERALSTRING:
        if (isValidUtf8(contents, length))
            appendUtf8(contents, length, text);
        else
            appendLatin1(contents, size, text);
        return true;
    case V_ASN1_BMPSTRING:
        appendUtf16BigEndian(contents, size, text);
        return true;
    case V_ASN1_UNIVERSALSTRING:
        appendUcs4BigEndian(contents, size, text);
        return true;
    default:
        return false;
    }
}

} // namespace platform
