// The one error type of the certificate services, and the system's text for an error.
#pragma once

#include <windows.h>

#include <exception>
#include <string>

namespace crypto {

// A failed platform call: the text shown to the user. Thrown by value, caught by reference.
class CryptException : public std::exception {
public:
    CryptException(const std::wstring &message, int code);
    CryptException(const CryptException &other);
    ~CryptException() override;

    // Always "Unicode not supported": the text is wide, read it through message().
    const char *what() const noexcept override;

    const std::wstring &message() const;
    int code() const;

private:
    std::wstring m_message;
    int m_code;
};

// The system's description of an error code (GetLastError when the code is 0), line
// break included; empty when the system has none.
std::wstring systemErrorText(DWORD code);

// Throws, right after a failed call, the system's text for the last error, preceded by
// `sentence` (which ends in a line feed) when one is given; the exception carries that code.
[[noreturn]] void throwLastError(const wchar_t *sentence = nullptr);

} // namespace crypto
