// Certificates from the files people hand each other, whatever their form.
#pragma once

#include "crypto/certificate.h"

#include <string>
#include <vector>

namespace crypto {

// A file to import, read once and told by its content. A PKCS #12 file (.pfx, .p12) needs
// its password; every other form is read without one.
class ImportFile {
public:
    // Throws when the file cannot be read.
    explicit ImportFile(const std::wstring &path);

    bool needsPassword() const { return m_pfx; }
    // Whether the password opens a PKCS #12 file; an empty one is tried in both of the
    // forms that programs write.
    bool opensWith(const std::wstring &password) const;
    // The file's certificates, as readCertificateFile tells. A PKCS #12 file is imported as
    // Windows imports it: its private key goes into a new key container of the provider
    // and the certificate of that key carries the link to it; the others (its chain) carry
    // none. Throws for a wrong password, a damaged file or a key that cannot be kept.
    std::vector<CryptoCertificate> certificates(const std::wstring &password = std::wstring()) const;

private:
    std::vector<BYTE> m_bytes;
    bool m_pfx = false;
};

// The certificates of a file, told by its content, not its name: one certificate in DER,
// PEM with any number of certificate blocks, a PKCS #7 message (DER or PEM), or a
// serialized store (with the certificates' properties), or a PKCS #12 file with the empty
// password (see ImportFile). Throws when the file cannot be
// read, is damaged, or holds no certificate; nothing of a damaged file is returned.
std::vector<CryptoCertificate> readCertificateFile(const std::wstring &path);

} // namespace crypto
