// Certificates and private keys read from files and encoded for a container.
#pragma once

#include "opensslowners.h"

#include <string>
#include <vector>

namespace keymedium {

// A certificate in PEM or DER. Throws std::runtime_error naming the file when it cannot be
// read or is neither.
X509Ptr readCertificate(const std::string &path);

// A private key in PEM (PKCS#8 or the algorithm's own form) or DER. Throws
// std::runtime_error naming the file when it cannot be read or is no key. Encrypted keys
// are refused: the container keeps the key as it is.
PKeyPtr readPrivateKey(const std::string &path);

// Throws std::runtime_error when the key is not the one the certificate certifies.
void checkKeyMatches(X509 *cert, EVP_PKEY *key);

std::vector<unsigned char> derOf(X509 *cert);

// The key in unencrypted PKCS#8 PEM.
std::string pemOf(EVP_PKEY *key);

} // namespace keymedium
