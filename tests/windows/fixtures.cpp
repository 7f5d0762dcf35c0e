// Makes, on the host with OpenSSL, what the Windows build of the tests reads in place of
// the certificate factory (tests/windows/recordedcertificates.cpp).
//   fixtures DATA_DIR    reads DATA_DIR/*.der, writes DATA_DIR/made/
#include "certfactory.h"
#include "tempdir.h"

#include <cstdio>
#include <filesystem>

namespace {

std::string contentKey(const testsupport::Bytes &data)
{
    unsigned long long hash = 14695981039346656037ull; // FNV-1a, as the reader names them
    for (unsigned char byte : data)
        hash = (hash ^ byte) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", hash);
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2)
        return 2;
    const std::filesystem::path data = argv[1], made = data / "made";
    std::filesystem::create_directories(made);
    std::vector<testsupport::Bytes> certificates;
    for (unsigned number = 1; number <= 16; ++number) {
        certificates.push_back(testsupport::makeNumberedCertificate(number));
        testsupport::writeFile((made / ("numbered-" + std::to_string(number) + ".der")).string(), certificates.back());
    }
    // The factory's certificates that tests make with a date of their own.
    for (long notBefore : {2082738600L}) {
        testsupport::CertificateSpec spec;
        spec.notBeforeUnix = notBefore;
        certificates.push_back(testsupport::makeCertificate(spec));
        testsupport::writeFile((made / ("certificate-" + std::to_string(notBefore) + ".der")).string(),
                               certificates.back());
    }
    for (const auto &entry : std::filesystem::directory_iterator(data))
        if (entry.path().extension() == ".der")
            certificates.push_back(testsupport::readFile(entry.path().string()));
    for (const testsupport::Bytes &der : certificates) {
        const std::string key = contentKey(der);
        testsupport::writeFile((made / ("sha1-" + key)).string(), testsupport::sha1Of(der));
        testsupport::Bytes ski{1};
        const testsupport::Bytes id = testsupport::subjectKeyIdOf(der);
        ski.insert(ski.end(), id.begin(), id.end());
        testsupport::writeFile((made / ("ski-" + key)).string(), ski);
    }
    return 0;
}
