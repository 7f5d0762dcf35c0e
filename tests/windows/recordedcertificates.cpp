// The certificate factory for Windows, where OpenSSL is not at hand: the certificates and
// the answers that tests/windows/fixtures.cpp made on the host with the real factory,
// read from the test program's data folder.
#include "certfactory.h"
#include "recordedkeys.h"
#include "tempdir.h"

#include <stdexcept>

namespace testsupport {
namespace {

Bytes recorded(const std::string &name, const std::string &what)
{
    const std::string path = TEST_DATA_DIR + "/made/" + name;
    Bytes bytes = readFile(path);
    if (bytes.empty())
        throw std::runtime_error(what + " was not made on the host: add it to tests/windows/fixtures.cpp");
    return bytes;
}

} // namespace

Bytes makeCertificate(const CertificateSpec &wanted)
{
    return recorded("certificate-" + certificateKey(wanted) + ".der",
                    "the certificate of \"" + wanted.commonName + "\"");
}

Bytes makeNumberedCertificate(unsigned number)
{
    return recorded("numbered-" + std::to_string(number) + ".der", "numbered certificate " + std::to_string(number));
}

Bytes sha1Of(const Bytes &data) { return recorded("sha1-" + contentKey(data), "a hash"); }

Bytes subjectKeyIdOf(const Bytes &der)
{
    const Bytes answer = recorded("ski-" + contentKey(der), "a key identifier");
    return Bytes(answer.begin() + 1, answer.end()); // a leading byte, so that "none" is a file too
}

void appendDword(Bytes &out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

} // namespace testsupport
