// The texts the windows show for certificate fields, and the way back from a hash text.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

namespace crypto {

// Upper-case hex digits of the bytes; with separator 1 each byte is followed by a space.
// At most 22 bytes without separators and 21 with them: the text fits 64 characters.
std::wstring bytesToHex(const BYTE *bytes, size_t length, int separator);
// The same from the last byte to the first (CryptoAPI keeps integers that way round).
std::wstring bytesToHexReversed(const BYTE *bytes, size_t length, int separator);

// The bytes of a hex text without separators; characters that are no hex digits count
// as zero nibbles.
std::vector<BYTE> hexToBytes(const std::wstring &text);

// An encoded name as text (CERT_X500_NAME_STR and friends).
std::wstring nameBlobToString(const CERT_NAME_BLOB &name, DWORD strType);

// Date and time in the user's locale and time zone: date, one space, time.
std::wstring formatFileTime(const FILETIME &fileTime, DWORD dateFlags);

// The value after the first `prefix` up to `end` (or the end); a quoted value whole and
// unquoted; empty without the prefix.
std::wstring extractField(const std::wstring &text, const std::wstring &prefix, wchar_t end);

} // namespace crypto
