// PKCS #12 (PFX) files: their certificates, and their private keys put into new key
// containers. The Windows calls PFXImportCertStore, PFXIsPFXBlob and PFXVerifyPassword are
// made of these; tools call them with a key folder of their own.
#pragma once

#include "certificates/certobject.h"

#include <string>
#include <vector>

namespace platform {

struct PfxTarget {
    std::string keyFolder;     // where new containers go
    std::wstring reader;       // the reader that lists that key folder, for the key links
    std::wstring fallbackName; // a container's name when its key has no friendly name;
                               // empty: the subject of the key's certificate
    bool persist = true;       // false: no container is written and no key linked
};

// A memory store of the PFX's certificates in the file's order. Each private key goes,
// encrypted with the same password (PKCS #8, AES-256-CBC), into a new container named
// after its key bag's friendly name (made unique with " (2)", …) as the exchange key, or
// as the signature key when its certificate's key usage allows neither encipherment nor
// key agreement; that certificate carries the link to it. The PFX is read whole before
// anything is written. `password` null is the empty password. Null with the last error:
// ERROR_INVALID_PASSWORD, CRYPT_E_BAD_ENCODE for a damaged file, NTE_BAD_ALGID for a key
// of an algorithm that cannot be read here, or the failed write's code. `containers`
// receives the names of the containers made.
HCERTSTORE importPfx(const BYTE *data, size_t size, const wchar_t *password, const PfxTarget &target,
                     std::vector<std::wstring> *containers = nullptr);

} // namespace platform
