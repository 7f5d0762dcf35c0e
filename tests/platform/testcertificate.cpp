#include "testcertificate.h"

#include <openssl/objects.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

namespace testing_support {

namespace {

std::vector<BYTE> nameBytes(const X509_NAME *name)
{
    const unsigned char *der = nullptr;
    size_t size = 0;
    if (X509_NAME_get0_der(name, &der, &size) != 1)
        throw std::runtime_error("name without encoding");
    return std::vector<BYTE>(der, der + size);
}

} // namespace

std::vector<BYTE> readTestFile(const std::string &fileName)
{
    const std::string path = std::string(TEST_DATA_DIR) + "/" + fileName;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("missing test file " + path);
    return std::vector<BYTE>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TestCertificate::TestCertificate(const std::string &fileName) : m_der(readTestFile(fileName))
{
    const unsigned char *p = m_der.data();
    std::unique_ptr<X509, decltype(&X509_free)> x509(d2i_X509(nullptr, &p, static_cast<long>(m_der.size())),
                                                     &X509_free);
    if (!x509)
        throw std::runtime_error("unreadable certificate " + fileName);
    m_subject = nameBytes(X509_get_subject_name(x509.get()));
    m_issuer = nameBytes(X509_get_issuer_name(x509.get()));

    const int count = X509_get_ext_count(x509.get());
    for (int i = 0; i < count; ++i) {
        X509_EXTENSION *extension = X509_get_ext(x509.get(), i);
        char text[128];
        OBJ_obj2txt(text, sizeof text, X509_EXTENSION_get_object(extension), 1);
        m_extensionOids.emplace_back(text);
        const ASN1_OCTET_STRING *value = X509_EXTENSION_get_data(extension);
        const BYTE *bytes = ASN1_STRING_get0_data(value);
        m_extensionValues.emplace_back(bytes, bytes + ASN1_STRING_length(value));
    }
    for (int i = 0; i < count; ++i) {
        CERT_EXTENSION extension{};
        extension.pszObjId = &m_extensionOids[i][0];
        extension.fCritical = X509_EXTENSION_get_critical(X509_get_ext(x509.get(), i)) ? TRUE : FALSE;
        extension.Value.cbData = static_cast<DWORD>(m_extensionValues[i].size());
        extension.Value.pbData = m_extensionValues[i].data();
        m_extensions.push_back(extension);
    }
    if (const ASN1_OCTET_STRING *keyId = X509_get0_subject_key_id(x509.get())) {
        const BYTE *bytes = ASN1_STRING_get0_data(keyId);
        m_keyIdentifier.assign(bytes, bytes + ASN1_STRING_length(keyId));
    }

    m_info.dwVersion = static_cast<DWORD>(X509_get_version(x509.get()));
    m_info.Subject = {static_cast<DWORD>(m_subject.size()), m_subject.data()};
    m_info.Issuer = {static_cast<DWORD>(m_issuer.size()), m_issuer.data()};
    m_info.cExtension = static_cast<DWORD>(m_extensions.size());
    m_info.rgExtension = m_extensions.empty() ? nullptr : m_extensions.data();
    m_context.dwCertEncodingType = X509_ASN_ENCODING;
    m_context.pbCertEncoded = m_der.data();
    m_context.cbCertEncoded = static_cast<DWORD>(m_der.size());
    m_context.pCertInfo = &m_info;
}

SyntheticCertificate::SyntheticCertificate(std::vector<BYTE> subject, std::vector<BYTE> issuer,
                                           std::vector<std::pair<std::string, std::vector<BYTE>>> extensions)
    : m_subject(std::move(subject)), m_issuer(std::move(issuer)), m_extensionData(std::move(extensions))
{
    for (auto &entry : m_extensionData) {
        CERT_EXTENSION extension{};
        extension.pszObjId = &entry.first[0];
        extension.Value.cbData = static_cast<DWORD>(entry.second.size());
        extension.Value.pbData = entry.second.data();
        m_extensions.push_back(extension);
    }
    m_info.Subject = {static_cast<DWORD>(m_subject.size()), m_subject.data()};
    m_info.Issuer = {static_cast<DWORD>(m_issuer.size()), m_issuer.data()};
    m_info.cExtension = static_cast<DWORD>(m_extensions.size());
    m_info.rgExtension = m_extensions.empty() ? nullptr : m_extensions.data();
    m_context.dwCertEncodingType = X509_ASN_ENCODING;
    m_context.pCertInfo = &m_info;
}

} // namespace testing_support
