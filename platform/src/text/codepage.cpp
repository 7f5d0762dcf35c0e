// MultiByteToWideChar and WideCharToMultiByte over ICU's converters.
#include "lasterror.h"
#include "text/unicodetext.h"
#include "text/userlocale.h"

#include <unicode/normalizer2.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <cstring>
#include <map>
#include <memory>
#include <string>

namespace {

constexpr UINT cpThreadAcp = 3;
constexpr UINT cpUtf7 = 65000;
constexpr UINT cpGb18030 = 54936;

bool isUnicodeCodePage(UINT codePage) { return codePage == CP_UTF8 || codePage == cpGb18030; }

// Code pages whose conversions take no flags at all.
bool takesNoFlags(UINT codePage)
{
    return codePage == cpUtf7 || codePage == 42 || (codePage >= 50220 && codePage <= 50229) ||
           (codePage >= 57002 && codePage <= 57011);
}

// ICU's name for a Windows code page; empty when the code page is not a multibyte one.
std::string converterName(UINT codePage)
{
    switch (codePage) {
    case CP_ACP:
    case CP_OEMCP: // this host has one character set per locale, for both uses
    case cpThreadAcp:
        return platform::userCharset();
    case CP_UTF8:
        return "UTF-8";
    case cpUtf7:
        return "UTF-7";
    case cpGb18030:
        return "GB18030";
    case 20127:
        return "US-ASCII";
    case 20866:
        return "KOI8-R";
    case 21866:
        return "KOI8-U";
    case 1200: // UTF-16 and UTF-32 are wide, not multibyte
    case 1201:
    case 12000:
    case 12001:
        return {};
    }
    if (codePage >= 28591 && codePage <= 28606)
        return "ISO-8859-" + std::to_string(codePage - 28590);
    if (codePage == 874 || (codePage >= 1250 && codePage <= 1258))
        return "windows-" + std::to_string(codePage);
    return "cp" + std::to_string(codePage);
}

struct ConverterCloser {
    void operator()(UConverter *converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

// The thread's converter for a code page, kept for reuse; nullptr when ICU has none. The
// user's character set falls back to UTF-8 when ICU does not know it.
UConverter *converterFor(UINT codePage)
{
    thread_local std::map<std::string, ConverterPtr> converters;
    std::string name = converterName(codePage);
    if (name.empty())
        return nullptr;
    auto found = converters.find(name);
    if (found == converters.end()) {
        UErrorCode status = U_ZERO_ERROR;
        ConverterPtr converter(ucnv_open(name.c_str(), &status));
        if (U_FAILURE(status))
            converter.reset();
        if (!converter && (codePage == CP_ACP || codePage == CP_OEMCP || codePage == cpThreadAcp))
            return converterFor(CP_UTF8);
        if (!converter)
            return nullptr;
        found = converters.emplace(name, std::move(converter)).first;
    }
    ucnv_reset(found->second.get());
    return found->second.get();
}

// Undecodable bytes become U+FFFD, as Windows writes them.
void U_CALLCONV writeReplacementCharacter(const void *, UConverterToUnicodeArgs *args, const char *, int32_t,
                                          UConverterCallbackReason reason, UErrorCode *status)
{
    if (reason > UCNV_IRREGULAR)
        return;
    *status = U_ZERO_ERROR;
    const UChar replacement = 0xFFFD;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, status);
}

struct DefaultCharacter {
    std::string bytes;
    bool used = false;
};

// A character the code page lacks becomes the default character.
void U_CALLCONV writeDefaultCharacter(const void *context, UConverterFromUnicodeArgs *args, const UChar *,
                                      int32_t, UChar32, UConverterCallbackReason reason, UErrorCode *status)
{
    if (reason > UCNV_IRREGULAR)
        return;
    auto *defaultCharacter = static_cast<DefaultCharacter *>(const_cast<void *>(context));
    defaultCharacter->used = true;
    *status = U_ZERO_ERROR;
    ucnv_cbFromUWriteBytes(args, defaultCharacter->bytes.data(), static_cast<int32_t>(defaultCharacter->bytes.size()),
                           0, status);
}

DWORD conversionError(UErrorCode status)
{
    switch (status) {
    case U_INVALID_CHAR_FOUND:
    case U_ILLEGAL_CHAR_FOUND:
    case U_TRUNCATED_CHAR_FOUND:
        return ERROR_NO_UNICODE_TRANSLATION;
    case U_MEMORY_ALLOCATION_ERROR:
        return ERROR_NOT_ENOUGH_MEMORY;
    default:
        return ERROR_INVALID_PARAMETER;
    }
}

} // namespace

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar)
{
    if (!lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr) ||
        static_cast<const void *>(lpMultiByteStr) == static_cast<const void *>(lpWideCharStr))
        return platform::fail(ERROR_INVALID_PARAMETER, 0);
    UConverter *converter = converterFor(CodePage);
    if (!converter)
        return platform::fail(ERROR_INVALID_PARAMETER, 0);

    constexpr DWORD knownFlags = MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
    if ((dwFlags & ~knownFlags) || ((dwFlags & MB_PRECOMPOSED) && (dwFlags & MB_COMPOSITE)) ||
        (isUnicodeCodePage(CodePage) && (dwFlags & ~MB_ERR_INVALID_CHARS)) || (takesNoFlags(CodePage) && dwFlags))
        return platform::fail(ERROR_INVALID_FLAGS, 0);

    // -1: through the terminating zero, which is converted too.
    const int32_t length = cbMultiByte == -1 ? static_cast<int32_t>(std::strlen(lpMultiByteStr) + 1) : cbMultiByte;
    UErrorCode status = U_ZERO_ERROR;
    if (dwFlags & MB_ERR_INVALID_CHARS)
        ucnv_setToUCallBack(converter, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    else
        ucnv_setToUCallBack(converter, writeReplacementCharacter, nullptr, nullptr, nullptr, &status);

    const int32_t units = ucnv_toUChars(converter, nullptr, 0, lpMultiByteStr, length, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR)
        status = U_ZERO_ERROR;
    if (U_FAILURE(status))
        return platform::fail(conversionError(status), 0);
    icu::UnicodeString decoded;
    ucnv_toUChars(converter, decoded.getBuffer(units), units, lpMultiByteStr, length, &status);
    decoded.releaseBuffer(units);
    if (U_FAILURE(status))
        return platform::fail(conversionError(status), 0);

    if (dwFlags & MB_COMPOSITE) {
        status = U_ZERO_ERROR;
        decoded = icu::Normalizer2::getNFDInstance(status)->normalize(decoded, status);
        if (U_FAILURE(status))
            return platform::fail(conversionError(status), 0);
    }

    const std::wstring wide = platform::toWide(decoded);
    const int needed = static_cast<int>(wide.size());
    if (cchWideChar == 0)
        return needed;
    if (needed > cchWideChar)
        return platform::fail(ERROR_INSUFFICIENT_BUFFER, 0);
    std::wmemcpy(lpWideCharStr, wide.data(), wide.size());
    return needed;
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar, LPBOOL lpUsedDefaultChar)
{
    if (!lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr) ||
        static_cast<const void *>(lpMultiByteStr) == static_cast<const void *>(lpWideCharStr))
        return platform::fail(ERROR_INVALID_PARAMETER, 0);
    UConverter *converter = converterFor(CodePage);
    if (!converter)
        return platform::fail(ERROR_INVALID_PARAMETER, 0);

    // The Unicode encodings can write every character and so have no default character.
    const bool utf = CodePage == CP_UTF8 || CodePage == cpUtf7;
    if (utf && (lpDefaultChar || lpUsedDefaultChar))
        return platform::fail(ERROR_INVALID_PARAMETER, 0);
    constexpr DWORD knownFlags = WC_NO_BEST_FIT_CHARS | WC_ERR_INVALID_CHARS;
    if ((dwFlags & ~knownFlags) || (isUnicodeCodePage(CodePage) && (dwFlags & ~WC_ERR_INVALID_CHARS)) ||
        (!isUnicodeCodePage(CodePage) && (dwFlags & WC_ERR_INVALID_CHARS)) || (takesNoFlags(CodePage) && dwFlags))
        return platform::fail(ERROR_INVALID_FLAGS, 0);

    const std::size_t length = cchWideChar == -1 ? std::wcslen(lpWideCharStr) + 1 : static_cast<std::size_t>(cchWideChar);
    if (dwFlags & WC_ERR_INVALID_CHARS) {
        for (std::size_t i = 0; i < length; ++i)
            if (!platform::isCodePoint(lpWideCharStr[i]))
                return platform::fail(ERROR_NO_UNICODE_TRANSLATION, 0);
    }
    // A value that is no code point arrives as U+FFFD, which the Unicode encodings write
    // and the other code pages replace with the default character.
    const icu::UnicodeString text = platform::toUnicodeString(lpWideCharStr, length);

    DefaultCharacter defaultCharacter;
    defaultCharacter.bytes = lpDefaultChar && *lpDefaultChar ? std::string(1, *lpDefaultChar) : std::string("?");
    UErrorCode status = U_ZERO_ERROR;
    // ICU's converters map without best fit unless asked, which is what
    // WC_NO_BEST_FIT_CHARS wants and a safe choice without it.
    ucnv_setFromUCallBack(converter, writeDefaultCharacter, &defaultCharacter, nullptr, nullptr, &status);
    const int32_t bytes = ucnv_fromUChars(converter, nullptr, 0, text.getBuffer(), text.length(), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR)
        status = U_ZERO_ERROR;
    if (U_FAILURE(status))
        return platform::fail(conversionError(status), 0);
    if (lpUsedDefaultChar)
        *lpUsedDefaultChar = defaultCharacter.used ? TRUE : FALSE;
    if (cbMultiByte == 0)
        return bytes;
    if (bytes > cbMultiByte)
        return platform::fail(ERROR_INSUFFICIENT_BUFFER, 0);
    std::string encoded(static_cast<std::size_t>(bytes), '\0');
    ucnv_fromUChars(converter, &encoded[0], bytes, text.getBuffer(), text.length(), &status);
    if (U_FAILURE(status))
        return platform::fail(conversionError(status), 0);
    std::memcpy(lpMultiByteStr, encoded.data(), encoded.size());
    return bytes;
}
