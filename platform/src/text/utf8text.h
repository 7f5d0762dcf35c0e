// Wide text and UTF-8, the encoding of this host's file names and of the files the
// platform layer reads. Never through the C++ global locale, which a program may change.
#pragma once

#include <string>

namespace platform {

std::string toUtf8(const std::wstring &text);
// Bytes that are no UTF-8 become U+FFFD.
std::wstring fromUtf8(const std::string &text);
// False when the bytes are no well-formed UTF-8, so that two different byte strings never
// decode to the same text.
bool decodeUtf8(const std::string &text, std::wstring &out);

} // namespace platform
