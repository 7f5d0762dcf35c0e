// Certificates made with OpenSSL for tests and benchmarks.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

using Bytes = std::vector<unsigned char>;

struct CertificateSpec {
    std::string commonName = "Test";
    std::string organization;
    std::vector<unsigned char> serial{0x01}; // big-endian magnitude
    // Seconds since 1970 in 64 bits: dates past 2038 do not fit Windows' 32-bit long.
    std::int64_t notBeforeUnix = 2051222400; // 2035-01-01 00:00:00 UTC
    std::int64_t notAfterUnix = 2082758400;  // 2036-01-01 00:00:00 UTC
    bool subjectKeyIdentifier = true;
};

// A self-signed EC P-256 certificate in DER.
Bytes makeCertificate(const CertificateSpec &spec);

// A certificate named and numbered after `number`. Signatures are randomized, so every call
// makes a new certificate: keep the bytes to add the same one twice.
Bytes makeNumberedCertificate(unsigned number);

Bytes sha1Of(const Bytes &data);

// The subject key identifier's bytes as OpenSSL reads them; empty when there is none.
Bytes subjectKeyIdOf(const Bytes &der);

// Little-endian 32-bit value appended to a byte string, as the store format writes it.
void appendDword(Bytes &out, std::uint32_t value);

} // namespace testsupport
