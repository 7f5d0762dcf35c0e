// How the certificates and answers made on the host are named, so that the Windows build
// of the certificate factory finds the one a test asks for.
#pragma once

#include "certfactory.h"

#include <cstdio>
#include <string>

namespace testsupport {

// FNV-1a of the bytes, as 16 hexadecimal digits.
inline std::string contentKey(const Bytes &data)
{
    unsigned long long hash = 14695981039346656037ull;
    for (unsigned char byte : data)
        hash = (hash ^ byte) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", hash);
    return text;
}

inline std::string certificateKey(const CertificateSpec &wanted)
{
    const std::string text = wanted.commonName + '|' + wanted.organization + '|' +
                             std::to_string(wanted.notBeforeUnix) + '|' + std::to_string(wanted.notAfterUnix) +
                             (wanted.subjectKeyIdentifier ? "|ski|" : "||");
    Bytes bytes(text.begin(), text.end());
    bytes.insert(bytes.end(), wanted.serial.begin(), wanted.serial.end());
    return contentKey(bytes);
}

} // namespace testsupport
