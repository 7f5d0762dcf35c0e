// ASN.1 character strings (UTF8String, BMPString, PrintableString, IA5String,
// T61String, UniversalString and their kin) as wide text.
#pragma once

#include <wincrypt.h>

#include <cstddef>
#include <string>

namespace platform {

// True for the ASN.1 universal types that hold character strings.
bool isStringTag(int tag);

// Decodes a string value of the ASN.1 universal type `tag` into wide text, one code point per
// character. Returns false when `tag` is not a string type.
bool decodeStringValue(int tag, const BYTE *contents, std::size_t size, std::wstring &text);

} // namespace platform
