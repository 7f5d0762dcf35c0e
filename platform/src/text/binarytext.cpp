// CryptBinaryToStringW and CryptStringToBinaryW: bytes as Base64 (with or without the
// "-----BEGIN ...-----" lines of PEM) or hexadecimal text, and back. Base64 goes through
// OpenSSL's codec.
#include "lasterror.h"

#include <wincrypt.h>

#include <openssl/evp.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

using namespace platform;

namespace {

using Bytes = std::vector<BYTE>;

constexpr DWORD kFormatMask = 0x0000FFFF;
constexpr std::size_t kBase64Line = 64; // characters per line, as Windows writes them

// The label of the PEM lines a header format writes; null for the other formats.
const wchar_t *headerLabel(DWORD format)
{
    switch (format) {
    case CRYPT_STRING_BASE64HEADER:
        return L"CERTIFICATE";
    case CRYPT_STRING_BASE64REQUESTHEADER:
        return L"NEW CERTIFICATE REQUEST";
    case CRYPT_STRING_BASE64X509CRLHEADER:
        return L"X509 CRL";
    default:
        return nullptr;
    }
}

std::wstring base64Lines(const BYTE *data, DWORD size, const std::wstring &lineEnd)
{
    std::vector<unsigned char> encoded(4 * ((static_cast<std::size_t>(size) + 2) / 3) + 1);
    const int length = EVP_EncodeBlock(encoded.data(), data, static_cast<int>(size));
    std::wstring text;
    for (int at = 0; at < length; at += kBase64Line) {
        for (int i = at; i < length && i < at + static_cast<int>(kBase64Line); ++i)
            text += static_cast<wchar_t>(encoded[i]);
        text += lineEnd;
    }
    return text;
}

// Sixteen bytes a line, a wider gap after the eighth, as Windows lays hexadecimal out.
std::wstring hexLines(const BYTE *data, DWORD size, const std::wstring &lineEnd)
{
    std::wstring text;
    wchar_t digits[3];
    for (DWORD i = 0; i < size; ++i) {
        if (i % 16 != 0)
            text += i % 16 == 8 ? L"  " : L" ";
        std::swprintf(digits, 3, L"%02x", data[i]);
        text += digits;
        if (i % 16 == 15 || i + 1 == size)
            text += lineEnd;
    }
    return text;
}

std::wstring hexRaw(const BYTE *data, DWORD size, const std::wstring &lineEnd)
{
    std::wstring text;
    wchar_t digits[3];
    for (DWORD i = 0; i < size; ++i) {
        std::swprintf(digits, 3, L"%02x", data[i]);
        text += digits;
    }
    return text + lineEnd;
}

bool isSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// Base64 between whitespace and line breaks; false for any other character, for data
// after the padding, or for a last group cut short.
bool decodeBase64(const wchar_t *text, std::size_t length, Bytes &out)
{
    std::string narrow;
    narrow.reserve(length);
    for (std::size_t i = 0; i < length; ++i) {
        const wchar_t c = text[i];
        const bool digit = (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z') || (c >= L'0' && c <= L'9') ||
                           c == L'+' || c == L'/' || c == L'=';
        if (!digit && !isSpace(c))
            return false;
        if (digit)
            narrow += static_cast<char>(c);
    }
    if (narrow.empty() || narrow.size() > 0x7FFFFFF0)
        return false;
    out.assign(narrow.size() / 4 * 3 + 3, 0);
    EVP_ENCODE_CTX *context = EVP_ENCODE_CTX_new();
    if (!context)
        return false;
    EVP_DecodeInit(context);
    int written = 0, last = 0;
    const bool decoded = EVP_DecodeUpdate(context, out.data(), &written,
                                          reinterpret_cast<const unsigned char *>(narrow.data()),
                                          static_cast<int>(narrow.size())) >= 0 &&
                         EVP_DecodeFinal(context, out.data() + written, &last) >= 0;
    EVP_ENCODE_CTX_free(context);
    if (!decoded)
        return false;
    out.resize(static_cast<std::size_t>(written + last));
    return true;
}

int hexValue(wchar_t c)
{
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return -1;
}

// Pairs of hexadecimal digits, with whitespace and line breaks between them.
bool decodeHex(const wchar_t *text, std::size_t length, Bytes &out)
{
    out.clear();
    int high = -1;
    for (std::size_t i = 0; i < length; ++i) {
        if (isSpace(text[i]) && high < 0)
            continue;
        const int value = hexValue(text[i]);
        if (value < 0)
            return false;
        if (high < 0) {
            high = value;
        } else {
            out.push_back(static_cast<BYTE>(high << 4 | value));
            high = -1;
        }
    }
    return high < 0 && !out.empty();
}

// The Base64 between the first "-----BEGIN ...-----" line and the "-----END ...-----"
// after it; `skip` is where the BEGIN line starts.
bool decodeWithHeader(const std::wstring &text, Bytes &out, DWORD &skip)
{
    static const std::wstring begin = L"-----BEGIN ", end = L"-----END ", dashes = L"-----";
    const std::size_t beginAt = text.find(begin);
    if (beginAt == std::wstring::npos)
        return false;
    const std::size_t labelEnd = text.find(dashes, beginAt + begin.size());
    if (labelEnd == std::wstring::npos)
        return false;
    const std::size_t body = labelEnd + dashes.size();
    const std::size_t endAt = text.find(end, body);
    if (endAt == std::wstring::npos || text.find(dashes, endAt + end.size()) == std::wstring::npos)
        return false;
    if (!decodeBase64(text.data() + body, endAt - body, out))
        return false;
    skip = static_cast<DWORD>(beginAt);
    return true;
}

} // namespace

BOOL WINAPI CryptBinaryToStringW(const BYTE *pbBinary, DWORD cbBinary, DWORD dwFlags, LPWSTR pszString,
                                 DWORD *pcchString)
{
    if (!pbBinary || !pcchString || cbBinary > 0x3FFFFFFF)
        return fail(ERROR_INVALID_PARAMETER);
    if (dwFlags & ~(kFormatMask | CRYPT_STRING_NOCR | CRYPT_STRING_NOCRLF))
        return fail(ERROR_INVALID_PARAMETER);
    const std::wstring lineEnd = (dwFlags & CRYPT_STRING_NOCRLF) ? L""
                                 : (dwFlags & CRYPT_STRING_NOCR) ? L"\n"
                                                                 : L"\r\n";
    const DWORD format = dwFlags & kFormatMask;
    std::wstring text;
    if (const wchar_t *label = headerLabel(format)) {
        text = L"-----BEGIN " + std::wstring(label) + L"-----" + lineEnd + base64Lines(pbBinary, cbBinary, lineEnd) +
               L"-----END " + label + L"-----" + lineEnd;
    } else if (format == CRYPT_STRING_BASE64) {
        text = base64Lines(pbBinary, cbBinary, lineEnd);
    } else if (format == CRYPT_STRING_HEX) {
        text = hexLines(pbBinary, cbBinary, lineEnd);
    } else if (format == CRYPT_STRING_HEXRAW) {
        text = hexRaw(pbBinary, cbBinary, lineEnd);
    } else {
        return fail(ERROR_INVALID_PARAMETER); // binary, and the hexadecimal dumps with addresses or ASCII
    }
    const auto length = static_cast<DWORD>(text.size());
    // A size query counts the terminating zero; a written string's length does not.
    if (!pszString) {
        *pcchString = length + 1;
        return TRUE;
    }
    if (*pcchString < length + 1) {
        *pcchString = length + 1;
        return fail(ERROR_MORE_DATA);
    }
    std::wmemcpy(pszString, text.c_str(), length + 1);
    *pcchString = length;
    return TRUE;
}

BOOL WINAPI CryptStringToBinaryW(LPCWSTR pszString, DWORD cchString, DWORD dwFlags, BYTE *pbBinary,
                                 DWORD *pcbBinary, DWORD *pdwSkip, DWORD *pdwFlags)
{
    if (!pszString || !pcbBinary)
        return fail(ERROR_INVALID_PARAMETER);
    if (dwFlags & ~(kFormatMask | CRYPT_STRING_STRICT))
        return fail(ERROR_INVALID_PARAMETER);
    const std::wstring text(pszString, cchString ? cchString : std::wcslen(pszString));
    const DWORD format = dwFlags & kFormatMask;
    Bytes data;
    DWORD skip = 0, used = format;
    bool decoded = false;
    switch (format) {
    case CRYPT_STRING_BASE64HEADER:
    case CRYPT_STRING_BASE64REQUESTHEADER:
    case CRYPT_STRING_BASE64X509CRLHEADER:
        decoded = decodeWithHeader(text, data, skip);
        break;
    case CRYPT_STRING_BASE64:
        decoded = decodeBase64(text.data(), text.size(), data);
        break;
    case CRYPT_STRING_HEX:
    case CRYPT_STRING_HEXRAW:
    case CRYPT_STRING_HEX_ANY:
        decoded = decodeHex(text.data(), text.size(), data);
        used = format == CRYPT_STRING_HEX_ANY ? CRYPT_STRING_HEX : format;
        break;
    case CRYPT_STRING_BASE64_ANY:
    case CRYPT_STRING_ANY:
    case CRYPT_STRING_BINARY:
        // The first of header, plain Base64 and (for ANY) the characters themselves that fits.
        if (format != CRYPT_STRING_BINARY && decodeWithHeader(text, data, skip)) {
            used = CRYPT_STRING_BASE64HEADER;
            decoded = true;
        } else if (format != CRYPT_STRING_BINARY && decodeBase64(text.data(), text.size(), data)) {
            used = CRYPT_STRING_BASE64;
            decoded = true;
        } else if (format != CRYPT_STRING_BASE64_ANY) {
            // The string's own bytes, as many as its characters take in memory.
            const auto *bytes = reinterpret_cast<const BYTE *>(text.data());
            data.assign(bytes, bytes + text.size() * sizeof(wchar_t));
            used = CRYPT_STRING_BINARY;
            decoded = true;
        }
        break;
    default:
        return fail(ERROR_INVALID_PARAMETER); // the hexadecimal dumps with addresses or ASCII
    }
    if (!decoded)
        return fail(ERROR_INVALID_DATA);
    if (data.size() > 0xFFFFFFFF)
        return fail(ERROR_INVALID_DATA);
    if (!copyOut(data.data(), static_cast<DWORD>(data.size()), pbBinary, pcbBinary))
        return FALSE;
    if (pdwSkip)
        *pdwSkip = skip;
    if (pdwFlags)
        *pdwFlags = used;
    return TRUE;
}
