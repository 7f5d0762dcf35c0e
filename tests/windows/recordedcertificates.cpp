// The certificate factory for Windows, where OpenSSL is not at hand: the certificates and
// the answers that tests/windows/fixtures.cpp made on the host with the real factory,
// read from the test program's data folder.
#include "certfactory.h"
#include "tempdir.h"

#include <cstdio>
#include <stdexcept>

namespace testsupport {
namespace {

Bytes recorded(const std::string &name)
{
    const std::string path = TEST_DATA_DIR + "/made/" + name;
    Bytes bytes = readFile(path);
    if (bytes.empty())
        throw std::runtime_error(path + " was not made on the host (tests/windows/make-fixtures.sh)");
    return bytes;
}

// Names the answers for a certificate by its content, as the host tool does.
std::string contentKey(const Bytes &data)
{
    unsigned long long hash = 14695981039346656037ull; // FNV-1a
    for (unsigned char byte : data)
        hash = (hash ^ byte) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", hash);
    return text;
}

} // namespace

Bytes makeCertificate(const CertificateSpec &spec)
{
    return recorded("certificate-" + std::to_string(spec.notBeforeUnix) + ".der");
}

Bytes makeNumberedCertificate(unsigned number) { return recorded("numbered-" + std::to_string(number) + ".der"); }

Bytes sha1Of(const Bytes &data) { return recorded("sha1-" + contentKey(data)); }

Bytes subjectKeyIdOf(const Bytes &der)
{
    const Bytes answer = recorded("ski-" + contentKey(der));
    return Bytes(answer.begin() + 1, answer.end()); // a leading byte, so that "none" is a file too
}

void appendDword(Bytes &out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

} // namespace testsupport
