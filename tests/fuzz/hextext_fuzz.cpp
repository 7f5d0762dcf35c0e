// Hash texts, as a list row hands them back: any wide text.
#include "crypto/certformat.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    std::wstring text(size / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), data, text.size() * sizeof(wchar_t));
    const std::vector<BYTE> bytes = crypto::hexToBytes(text);
    if (bytes.size() != (text.size() + 1) / 2)
        __builtin_trap();
    crypto::bytesToHex(bytes.data(), bytes.size(), 1);
    crypto::bytesToHexReversed(bytes.data(), bytes.size(), -1);
    return 0;
}
