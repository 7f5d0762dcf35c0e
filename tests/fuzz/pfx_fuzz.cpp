// A PKCS #12 file's bytes, with the password of the seeds ("secret"): told, its password
// checked and its certificates read, as an import reads them (no key written).
#include "providers/pfximport.h"

#include <wincrypt.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(size), const_cast<BYTE *>(data)};
    if (!PFXIsPFXBlob(&blob))
        return 0;
    PFXVerifyPassword(&blob, L"secret", 0);
    platform::PfxTarget target;
    target.persist = false;
    if (HCERTSTORE store = platform::importPfx(data, size, L"secret", target))
        CertCloseStore(store, 0);
    return 0;
}
