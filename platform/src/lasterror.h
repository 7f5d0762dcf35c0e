// Failure helpers shared by the platform layer's calls.
#pragma once

#include <windows.h>

namespace platform {

// Sets the calling thread's last error and returns what the failing call returns.
template <class T = BOOL>
inline T fail(DWORD code, T result = T())
{
    SetLastError(code);
    return result;
}

inline DWORD hresultCode(HRESULT hr) { return static_cast<DWORD>(hr); }

} // namespace platform
