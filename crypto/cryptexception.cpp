#include "crypto/cryptexception.h"

namespace crypto {

CryptException::CryptException(const std::wstring &message, int code) : m_message(message), m_code(code) {}

CryptException::CryptException(const CryptException &other)
    : std::exception(other), m_message(other.m_message), m_code(other.m_code)
{
}

CryptException::~CryptException() = default;

const char *CryptException::what() const noexcept { return "Unicode not supported"; }

const std::wstring &CryptException::message() const { return m_message; }

int CryptException::code() const { return m_code; }

std::wstring systemErrorText(DWORD code)
{
    if (code == 0)
        code = GetLastError();
    // Inserts are ignored: a text that holds %1 must not read arguments nobody passed.
    LPWSTR buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        LANG_SYSTEM_DEFAULT, reinterpret_cast<LPWSTR>(&buffer), 0, nullptr);
    std::wstring text;
    if (length > 0 && buffer)
        text.assign(buffer, length);
    if (buffer)
        LocalFree(buffer);
    return text;
}

void throwLastError(const wchar_t *sentence)
{
    // Read the error before anything else can overwrite it.
    const DWORD error = GetLastError();
    std::wstring message = systemErrorText(error);
    if (sentence)
        message.insert(0, sentence);
    // The code travels with the text, so that a caller can tell one failure from another.
    throw CryptException(message, static_cast<int>(error));
}

} // namespace crypto
