#include "text/ansitext.h"

#include <windows.h>

namespace platform {

std::string toAnsi(const std::wstring &text)
{
    if (text.empty())
        return std::string();
    const DWORD error = GetLastError(); // a conversion is no failure of the caller's call
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_ACP, 0, text.data(), length, &out[0], size, nullptr, nullptr);
    SetLastError(error);
    return out;
}

} // namespace platform
