// PKCS #11 tokens and smart cards as key media: the modules that reach them, the tokens
// present now, and the certificates on them. A module is loaded and initialized once per
// process and stays loaded; its slots are read at every listing, so a token put in or
// taken out is seen by the next search. Nothing here logs in or asks for a PIN: the
// certificates are public objects.
#pragma once

#include "providers/providers.h"

#include <p11-kit/pkcs11.h>

#include <string>
#include <vector>

namespace platform {

struct Token {
    CK_FUNCTION_LIST *module = nullptr; // loaded for the life of the process
    std::string moduleFile;
    CK_SLOT_ID slot = 0;
    std::string label;  // as the token gives it, padding trimmed
    std::string serial; // with the label, tells the token from another put in its place
};

// The initialized tokens present now in the slots of the source's modules (a source of
// kind Pkcs11Registry or Pkcs11Module), module by module, each module's by label. A module that
// cannot be loaded or initialized gives none.
std::vector<Token> presentTokens(const ReaderSource &source);

struct TokenCertificate {
    std::vector<unsigned char> id;
    std::string label; // UTF-8 as the token keeps it; may be empty
    std::vector<unsigned char> value; // DER
};

// The X.509 certificates that have an id, in the order the token gives them. False when
// the token is no longer in its slot (or another one is).
bool tokenCertificates(const Token &token, std::vector<TokenCertificate> &out);

} // namespace platform
