// The owner of an open file handle.
#pragma once

#include "handles/handleowner.h"

#include <windows.h>

namespace crypto {

struct FileTraits {
    using Handle = HANDLE;
    static Handle empty() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(Handle handle) noexcept { CloseHandle(handle); }
};

using FileHandleOwner = handles::HandleOwner<FileTraits>;

} // namespace crypto
