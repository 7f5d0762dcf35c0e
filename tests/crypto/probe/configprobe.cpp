// Prints the type and the name that readCryptoConfig finds, one per line, in UTF-8.
#include "crypto/cryptoconfig.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

std::string utf8(const std::wstring &text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

} // namespace

int main()
{
    const StoreConfig config = readCryptoConfig(L"");
    std::printf("[%s]\n[%s]\n", utf8(config.type).c_str(), utf8(config.name).c_str());
    return 0;
}
