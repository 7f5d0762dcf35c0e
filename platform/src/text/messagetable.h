// The system's message texts, as FormatMessageW hands them out.
#pragma once

#include <windows.h>

namespace platform {

// One code's text in each language the system speaks; both end in "\r\n".
struct SystemMessage {
    DWORD code;
    const wchar_t *english;
    const wchar_t *russian;
};

// The texts for a code, or nullptr when the system has none. An HRESULT that wraps a
// Win32 code (facility 7) has the Win32 code's texts.
const SystemMessage *findSystemMessage(DWORD code);

} // namespace platform
