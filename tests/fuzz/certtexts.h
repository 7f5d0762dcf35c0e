// Every text the certificate record shows, computed the way the windows compute them.
#pragma once

#include "crypto/certformat.h"
#include "crypto/certificate.h"
#include "crypto/cryptexception.h"

#include <string>

inline size_t showAllTexts(const crypto::CryptoCertificate &certificate)
{
    std::wstring all = certificate.subjectName(CERT_X500_NAME_STR) + certificate.issuerName(CERT_X500_NAME_STR) +
                       certificate.subjectName(CERT_SIMPLE_NAME_STR | CERT_NAME_STR_REVERSE_FLAG) +
                       certificate.subjectName(CERT_OID_NAME_STR) + certificate.notBefore() +
                       certificate.notAfter() + certificate.serialNumber() + certificate.sha1Hash() +
                       certificate.simpleDisplayName();
    all += crypto::extractField(all, L"CN=", L',') + crypto::extractField(all, L"O=", L',');
    // A key identifier that does not decode, or a key link that cannot be read, is reported, not shown.
    using Text = std::wstring (crypto::CryptoCertificate::*)() const;
    for (Text text :
         {Text(&crypto::CryptoCertificate::keyIdentifier), Text(&crypto::CryptoCertificate::keyContainerInfo)}) {
        try {
            all += (certificate.*text)();
        } catch (const crypto::CryptException &) {
        }
    }
    return all.size();
}
