// The owner of a certificate store handle, for the store classes and for whatever opens a
// store through the system directly.
#pragma once

#include "handles/handleowner.h"

#include <windows.h>
#include <wincrypt.h>

namespace crypto {

struct StoreTraits {
    using Handle = HCERTSTORE;
    static Handle empty() noexcept { return nullptr; }
    static void close(Handle handle) noexcept { CertCloseStore(handle, 0); }
};

using StoreHandle = handles::HandleOwner<StoreTraits>;

} // namespace crypto
