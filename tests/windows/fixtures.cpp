// Makes, on the host with OpenSSL, what the Windows build of the tests reads in place of
// the certificate factory (tests/windows/recordedcertificates.cpp).
//   fixtures DATA_DIR    reads DATA_DIR/*.der, writes DATA_DIR/made/
#include "certfactory.h"
#include "recordedkeys.h"
#include "tempdir.h"

#include <filesystem>

namespace {

// The factory's certificates that the shared tests make with names or dates of their own.
std::vector<testsupport::CertificateSpec> madeByTests()
{
    const auto wanted = [](const char *name, std::int64_t notBefore, std::int64_t notAfter) {
        testsupport::CertificateSpec s;
        s.commonName = name;
        if (notBefore)
            s.notBeforeUnix = notBefore;
        if (notAfter)
            s.notAfterUnix = notAfter;
        return s;
    };
    return {wanted("Test", 2082738600, 0), // certificaterecord_test.cpp
            // certificaterows_test.cpp
            wanted("Сидоров", 0, 2083492800), wanted("Петров", 0, 2213352000), wanted("Абрамов", 0, 2082715200),
            wanted("Петров", 0, 2109240000), wanted("Ёжиков", 0, 2083492800), wanted("Елизаров", 0, 2083492800),
            wanted("Иванов", 0, 2083492800)};
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
    for (const testsupport::CertificateSpec &wanted : madeByTests()) {
        certificates.push_back(testsupport::makeCertificate(wanted));
        testsupport::writeFile((made / ("certificate-" + testsupport::certificateKey(wanted) + ".der")).string(),
                               certificates.back());
    }
    for (const auto &entry : std::filesystem::directory_iterator(data))
        if (entry.path().extension() == ".der")
            certificates.push_back(testsupport::readFile(entry.path().string()));
    for (const testsupport::Bytes &der : certificates) {
        const std::string key = testsupport::contentKey(der);
        testsupport::writeFile((made / ("sha1-" + key)).string(), testsupport::sha1Of(der));
        testsupport::Bytes ski{1};
        const testsupport::Bytes id = testsupport::subjectKeyIdOf(der);
        ski.insert(ski.end(), id.begin(), id.end());
        testsupport::writeFile((made / ("ski-" + key)).string(), ski);
    }
    return 0;
}
