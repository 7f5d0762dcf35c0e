// Failure helpers shared by the platform layer's calls.
#pragma once

#include <windows.h>

#include <cstring>

namespace platform {

// Sets the calling thread's last error and returns what the failing call returns.
template <class T = BOOL>
inline T fail(DWORD code, T result = T())
{
    SetLastError(code);
    return result;
}

inline DWORD hresultCode(HRESULT hr) { return static_cast<DWORD>(hr); }

// Hands out `size` bytes under the two-call contract: without a buffer only the size; a
// buffer too small gets ERROR_MORE_DATA and the size it needs.
inline BOOL copyOut(const void *data, DWORD size, void *out, DWORD *outSize)
{
    if (out && *outSize < size) {
        *outSize = size;
        return fail(ERROR_MORE_DATA);
    }
    if (out && size)
        std::memcpy(out, data, size);
    *outSize = size;
    return TRUE;
}

} // namespace platform
