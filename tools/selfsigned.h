// A fresh GOST R 34.10-2012 (256-bit) key and a self-signed certificate for it.
#pragma once

#include "opensslowners.h"

#include <openssl/engine.h>

#include <string>

namespace keymedium {

// A subject written as "/type=value/type=value…", first attribute first; a type is a
// short name (C, O, OU, CN, …) or a dotted OID, values are UTF-8, and '\' takes the
// next character as it is ("\/" for a slash). Throws std::invalid_argument when malformed.
X509NamePtr parseSubject(const std::string &text);

enum class KeyUse { Exchange, Signature };

// A new key of the GOST engine: with the exchange parameter set for an exchange key, the
// signature one otherwise.
PKeyPtr generateGostKey(ENGINE *engine, KeyUse use);

// A certificate of `key` issued by its own subject, valid from now for `days` days, with a
// random serial number, a subject key identifier and the key usage that fits `use`,
// signed with GOST R 34.11-2012 (256-bit). Throws std::runtime_error when OpenSSL fails.
X509Ptr makeSelfSigned(EVP_PKEY *key, const X509_NAME *subject, long days, KeyUse use);

} // namespace keymedium
