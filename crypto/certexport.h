// Certificates written to a file, in the forms other programs read.
#pragma once

#include "crypto/certificate.h"

#include <string>
#include <vector>

namespace crypto {

enum class CertificateFileForm {
    Der,         // one certificate, DER
    Base64,      // PEM: one "CERTIFICATE" block a certificate
    Pkcs7,       // a PKCS #7 message holding the certificates, DER
    StoreFile,   // a serialized store: the certificates with their properties (key links)
};

// The file's bytes; throws for anything but one certificate in DER.
std::vector<BYTE> encodeCertificates(const std::vector<CryptoCertificate> &certificates, CertificateFileForm form);

// Writes the certificates to the file in that form, replacing it whole or not at all;
// throws when it cannot.
void writeCertificateFile(const std::wstring &path, const std::vector<CryptoCertificate> &certificates,
                          CertificateFileForm form);

} // namespace crypto
