#include "crypto/ansitext.h"

#include <windows.h>

#include <cwchar>

namespace crypto {

std::wstring ansiToWide(const char *bytes, int length)
{
    if (!bytes || length == 0)
        return std::wstring();
    const int size = MultiByteToWideChar(CP_ACP, 0, bytes, length, nullptr, 0);
    if (size <= 0)
        return std::wstring();
    std::wstring text(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes, length, &text[0], size);
    // Providers hand their texts over with the terminating zero; consumers read up to it.
    text.resize(std::wcslen(text.c_str()));
    return text;
}

} // namespace crypto
