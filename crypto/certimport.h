// Certificates from the files people hand each other, whatever their form.
#pragma once

#include "crypto/certificate.h"

#include <string>
#include <vector>

namespace crypto {

// The certificates of a file, told by its content, not its name: one certificate in DER,
// PEM with any number of certificate blocks, a PKCS #7 message (DER or PEM), or a
// serialized store (with the certificates' properties). Throws when the file cannot be
// read, is damaged, or holds no certificate; nothing of a damaged file is returned.
std::vector<CryptoCertificate> readCertificateFile(const std::wstring &path);

} // namespace crypto
