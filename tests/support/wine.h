// Whether the tests run under Wine, whose crypt32 differs from Windows in a few known
// ways: a test skips only those, naming the difference.
#pragma once

#ifdef _WIN32
#include <windows.h>
#endif

namespace testsupport {

// Wine 8 reads a store file only where each certificate element comes before its
// properties; Windows, and Wine's own writer, put the properties first.
constexpr const char kWineReadsStoreFilesAsEmpty[] =
    "Wine 8 reads a store file laid out as Windows writes it (properties before their "
    "certificate) as an empty store";

inline bool runningUnderWine()
{
#ifdef _WIN32
    // Wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

} // namespace testsupport
