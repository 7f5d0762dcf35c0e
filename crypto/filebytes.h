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

// Puts `bytes` in the file's place (making it when missing) through a temporary file
// beside it ("<name>.~export") that replaces it, so that a failure leaves what was there
// before. The old file's permissions are kept, a link is written through, and a target
// that is no regular file or that the caller may not write is refused; throws.
void replaceFileWith(const std::wstring &path, const std::vector<BYTE> &bytes);

} // namespace crypto
