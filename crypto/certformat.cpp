#include "crypto/certformat.h"

namespace crypto {
namespace {

constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
constexpr int kBudget = 64;

template <class Next>
std::wstring hexText(size_t length, int separator, Next next)
{
    std::wstring text;
    text.reserve(kBudget);
    const bool spaced = separator == 1;
    // Each byte costs three of the 64 characters; with spaces a 22nd byte would not fit.
    const size_t most = spaced ? 21 : 22;
    for (size_t i = 0; i < length && i < most; ++i) {
        const BYTE b = next(i);
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0x0F]);
        if (spaced)
            text.push_back(L' ');
    }
    return text;
}

} // namespace

std::wstring bytesToHex(const BYTE *bytes, size_t length, int separator)
{
    return hexText(length, separator, [&](size_t i) { return bytes[i]; });
}

std::wstring bytesToHexReversed(const BYTE *bytes, size_t length, int separator)
{
    return hexText(length, separator, [&](size_t i) { return bytes[length - 1 - i]; });
}

std::vector<BYTE> hexToBytes(const std::wstring &text)
{
    std::vector<BYTE> bytes((text.size() + 1) / 2, 0);
    for (size_t i = 0; i < text.size(); ++i) {
        wchar_t c = text[i];
        if (c >= L'a' && c <= L'f')
            c = static_cast<wchar_t>(c - L'a' + L'A');
        BYTE value;
        if (c >= L'A' && c <= L'F')
            value = static_cast<BYTE>(c - L'A' + 10);
        else if (c >= L'0' && c <= L'9')
            value = static_cast<BYTE>(c - L'0');
        else
            continue;
        if (i % 2 == 0)
            bytes[i / 2] = static_cast<BYTE>(value << 4);
        else
            bytes[i / 2] |= value;
    }
    return bytes;
}

std::wstring nameBlobToString(const CERT_NAME_BLOB &name, DWORD strType)
{
    CERT_NAME_BLOB blob = name;
    const DWORD length = CertNameToStrW(X509_ASN_ENCODING, &blob, strType, nullptr, 0);
    if (length <= 1)
        return std::wstring();
    std::wstring text(length, L'\0');
    const DWORD written = CertNameToStrW(X509_ASN_ENCODING, &blob, strType, &text[0], length);
    text.resize(written ? written - 1 : 0);
    return text;
}

std::wstring formatFileTime(const FILETIME &fileTime, DWORD dateFlags)
{
    FILETIME local{};
    SYSTEMTIME system{};
    FileTimeToLocalFileTime(&fileTime, &local);
    FileTimeToSystemTime(&local, &system);
    wchar_t date[256] = {};
    wchar_t time[256] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, dateFlags, &system, nullptr, date, 255);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &system, nullptr, time, 255);
    return std::wstring(date) + L" " + time;
}

std::wstring extractField(const std::wstring &text, const std::wstring &prefix, wchar_t end)
{
    const size_t at = text.find(prefix);
    if (at == std::wstring::npos)
        return std::wstring();
    const size_t from = at + prefix.size();
    if (from < text.size() && text[from] == L'"') {
        // A quoted value may hold the end character; it ends at its closing quote, and a
        // doubled quote inside stands for one.
        std::wstring value;
        for (size_t i = from + 1; i < text.size(); ++i) {
            if (text[i] == L'"') {
                if (i + 1 < text.size() && text[i + 1] == L'"') {
                    value.push_back(L'"');
                    ++i;
                    continue;
                }
                return value;
            }
            value.push_back(text[i]);
        }
        return value;
    }
    const size_t to = text.find(end, at);
    // The end character is looked for from the prefix on; one inside the prefix ends at once.
    if (to == std::wstring::npos)
        return text.substr(from);
    return to < from ? std::wstring() : text.substr(from, to - from);
}

} // namespace crypto
