// CERT_KEY_PROV_INFO_PROP_ID between the caller's CRYPT_KEY_PROV_INFO and the
// self-relative form that store files keep (32-bit offsets, UTF-16LE names).
#pragma once

#include "certificates/certobject.h"

namespace platform {

Bytes keyProvInfoToSerialized(const CRYPT_KEY_PROV_INFO &info);

// Size of the CRYPT_KEY_PROV_INFO with its names and parameters in one buffer; 0 when the
// serialized value is malformed (a name or parameter reaching outside it, parameters whose
// bytes together exceed it) or the structure would be too large for a DWORD size. Costs
// no more than the value's length.
DWORD keyProvInfoStructSize(const Bytes &serialized);

// Writes the structure into `dest` (at least keyProvInfoStructSize bytes, suitably aligned).
void keyProvInfoWriteStruct(const Bytes &serialized, void *dest);

} // namespace platform
