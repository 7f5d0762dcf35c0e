// Messages that carry OpenSSL's own reason for a failure.
#pragma once

#include <openssl/err.h>

#include <string>

namespace keymedium {

// "what: reason" with the oldest error OpenSSL queued; the queue is emptied.
inline std::string withOpenSslReason(const std::string &what)
{
    const unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return what;
    char reason[256];
    ERR_error_string_n(code, reason, sizeof reason);
    return what + " (" + reason + ")";
}

} // namespace keymedium
