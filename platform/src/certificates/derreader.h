// Reading DER elements for the platform layer's decoders, with failures reported as the
// CRYPT_E_ASN1_* codes that CryptoAPI sets for damaged encodings.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace platform {

// One element: its tag as ASN1_get_object reports it and where its bytes are.
struct DerElement {
    int tag = 0;
    int tagClass = 0; // V_ASN1_UNIVERSAL, V_ASN1_APPLICATION, V_ASN1_CONTEXT_SPECIFIC, V_ASN1_PRIVATE
    bool constructed = false;
    const BYTE *encoding = nullptr; // tag, length and contents
    std::size_t encodingSize = 0;
    const BYTE *contents = nullptr;
    std::size_t contentsSize = 0;
};

// Reads the element at `pos`, which must end no later than `end`, and moves `pos` past it.
// Returns S_OK, CRYPT_E_ASN1_EOD when the bytes end early, or CRYPT_E_ASN1_CORRUPT for an
// indefinite length (not DER).
HRESULT readDerElement(const BYTE *&pos, const BYTE *end, DerElement &element);

// As above, and the element must be the universal type `tag`, constructed or not as said;
// CRYPT_E_ASN1_BADTAG otherwise.
HRESULT readDerElement(const BYTE *&pos, const BYTE *end, int tag, bool constructed, DerElement &element);

// Upper-case hexadecimal digits of the bytes, two per byte, no separators.
std::wstring hexText(const BYTE *bytes, std::size_t size);

} // namespace platform
