// Whole files read and written through the system's file calls, so that a failure carries
// the system's reason.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace crypto {

// The bytes of the file; throws when it cannot be opened or read, or holds more than
// `limit` bytes.
std::vector<BYTE> readFileBytes(const std::wstring &path, size_t limit);

// Puts `bytes` in the file's place (making it when missing) through a temporary file in
// the same folder renamed over it, so that a failure leaves what was there before; throws.
void replaceFileWith(const std::wstring &path, const std::vector<BYTE> &bytes);

} // namespace crypto
