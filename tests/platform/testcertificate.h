// A certificate from the generated test data, with the CERT_INFO and CERT_CONTEXT that
// CryptoAPI gives for it (name blobs and extensions), read with OpenSSL.
#pragma once

#include <wincrypt.h>

#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// The bytes of TEST_DATA_DIR/fileName; fails the test (throws) when the file is missing.
std::vector<BYTE> readTestFile(const std::string &fileName);

class TestCertificate {
public:
    explicit TestCertificate(const std::string &fileName);
    TestCertificate(const TestCertificate &) = delete;
    TestCertificate &operator=(const TestCertificate &) = delete;

    PCCERT_CONTEXT context() const { return &m_context; }
    CERT_INFO &info() { return m_info; }

    // The subject key identifier as OpenSSL reads it; empty when there is none.
    const std::vector<BYTE> &keyIdentifier() const { return m_keyIdentifier; }

private:
    std::vector<BYTE> m_der;
    std::vector<BYTE> m_subject;
    std::vector<BYTE> m_issuer;
    std::vector<std::string> m_extensionOids;
    std::vector<std::vector<BYTE>> m_extensionValues;
    std::vector<CERT_EXTENSION> m_extensions;
    std::vector<BYTE> m_keyIdentifier;
    CERT_INFO m_info{};
    CERT_CONTEXT m_context{};
};

// A context whose subject is `subject` (and issuer `issuer`), with the given extensions.
class SyntheticCertificate {
public:
    explicit SyntheticCertificate(std::vector<BYTE> subject, std::vector<BYTE> issuer = {},
                                  std::vector<std::pair<std::string, std::vector<BYTE>>> extensions = {});
    SyntheticCertificate(const SyntheticCertificate &) = delete;
    SyntheticCertificate &operator=(const SyntheticCertificate &) = delete;

    PCCERT_CONTEXT context() const { return &m_context; }

private:
    std::vector<BYTE> m_subject;
    std::vector<BYTE> m_issuer;
    std::vector<std::pair<std::string, std::vector<BYTE>>> m_extensionData;
    std::vector<CERT_EXTENSION> m_extensions;
    CERT_INFO m_info{};
    CERT_CONTEXT m_context{};
};

} // namespace testing_support
