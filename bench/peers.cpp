// Measures the store and installation figures side by side with what a user would
// otherwise use, in one run, and prints them as rows of the benchmark table.
//   bench_peers STORE.sst BUNDLE.pem KEYMEDIUM
#include "crypto/certificate.h"
#include "crypto/installselection.h"
#include "crypto/key.h"
#include "crypto/store.h"

#include "timing.h"

#include <wincrypt.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using bench::median;
using bench::seconds;

constexpr int kRounds = 7;

// Runs both in turn, round after round, so that the machine's noise falls on both alike.
std::pair<double, double> sideBySide(const std::function<void()> &ours, const std::function<void()> &peer)
{
    std::vector<double> a, b;
    ours(); // warm the caches for both
    peer();
    for (int i = 0; i < kRounds; ++i) {
        a.push_back(seconds(ours));
        b.push_back(seconds(peer));
    }
    return {median(a), median(b)};
}

void run(const std::string &command)
{
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

std::string ms(double s)
{
    char text[32];
    std::snprintf(text, sizeof text, s < 0.01 ? "%.2f ms" : "%.0f ms", s * 1000);
    return text;
}

void row(const char *figure, double ours, const std::string &peer, double peerTime, const char *goal, double limit)
{
    const double ratio = ours / peerTime;
    std::printf("| %s | %s | %s %s | %.2f× | %s | %s |\n", figure, ms(ours).c_str(), peer.c_str(), ms(peerTime).c_str(),
                ratio, goal, ratio <= limit ? "met" : "missed");
}

HCERTSTORE openFile(const std::string &path, DWORD flags)
{
    return CertOpenStore(CERT_STORE_PROV_FILENAME_W, X509_ASN_ENCODING, 0, flags,
                         std::wstring(path.begin(), path.end()).c_str());
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s STORE.sst BUNDLE.pem KEYMEDIUM\n", argv[0]);
        return 2;
    }
    const std::string store = argv[1], bundle = argv[2], keymedium = argv[3];
    const auto work = std::filesystem::temp_directory_path() / ("certinstall-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(work);
    setenv("CERTINSTALL_HOME", work.c_str(), 1);
    setenv("CERTINSTALL_MEDIA", "", 1);
    setenv("CERTINSTALL_PKCS11", "", 1);

    // 1. Open, enumerate and close against openssl parsing and printing every subject.
    auto [open, openssl] = sideBySide(
        [&] {
            HCERTSTORE s = openFile(store, CERT_STORE_READONLY_FLAG);
            unsigned n = 0;
            for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(s, nullptr); c; c = CertEnumCertificatesInStore(s, c))
                ++n;
            CertCloseStore(s, 0);
            if (n != 10000)
                std::fprintf(stderr, "store holds %u certificates\n", n);
        },
        [&] { run("openssl crl2pkcs7 -nocrl -certfile '" + bundle + "' | openssl pkcs7 -print_certs -noout >/dev/null"); });
    row("1. Store file of 10,000 certificates: open, enumerate, close", open, "openssl parsing and printing the subjects",
        openssl, "no slower than openssl (≤ 1×)", 1.0);

    // 2. One change committed against copying as many bytes with cp.
    const std::string copy = (work / "copy.sst").string();
    const std::string target = (work / "commit.sst").string();
    std::filesystem::copy_file(store, target);
    HCERTSTORE s = openFile(target, 0);
    PCCERT_CONTEXT first = CertEnumCertificatesInStore(s, nullptr);
    BYTE value = 0;
    auto [commit, cp] = sideBySide(
        [&] {
            ++value;
            CRYPT_DATA_BLOB blob{1, &value};
            CertSetCertificateContextProperty(first, CERT_FIRST_USER_PROP_ID, 0, &blob);
            if (!CertControlStore(s, 0, CERT_STORE_CTRL_COMMIT, nullptr))
                std::fprintf(stderr, "commit failed\n");
        },
        [&] { run("cp '" + target + "' '" + copy + "'"); });
    CertFreeCertificateContext(first);
    CertCloseStore(s, 0);
    row("2. Commit of that store after one change", commit, "cp of the same bytes", cp, "within 3× the copy", 3.0);

    // 4. The installation path without dialogs, into a store file of 10,000 certificates.
    run("'" + keymedium + "' create --key-folder '" + (work / "keys").string() +
        "' --name bench --subject '/CN=Benchmark' >/dev/null");
    std::vector<double> installs;
    for (int i = 0; i < kRounds; ++i) {
        const std::string file = (work / ("install" + std::to_string(i) + ".sst")).string();
        std::filesystem::copy_file(store, file);
        InstallSelection selection;
        selection.providerName = L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider";
        selection.providerType = 75;
        selection.containerName = L"bench";
        selection.storeName = std::wstring(file.begin(), file.end());
        selection.storeIsFile = true;
        installs.push_back(seconds([&] {
            crypto::CryptoProvider provider = selection.openProvider(2);
            crypto::CryptoKey key(provider, AT_KEYEXCHANGE);
            crypto::CryptoCertificate certificate(key);
            std::wstring providerName = provider.providerName(), container = provider.uniqueContainerName();
            CRYPT_KEY_PROV_INFO info{};
            info.pwszContainerName = container.data();
            info.pwszProvName = providerName.data();
            info.dwProvType = provider.providerType();
            info.dwKeySpec = AT_KEYEXCHANGE;
            certificate.setProperty(&info, CERT_KEY_PROV_INFO_PROP_ID, 0);
            const boost::shared_ptr<crypto::CryptoStore> installed = selection.openStore();
            installed->add(certificate);
            installed->commit();
        }));
    }
    std::printf("| 4. Installation without dialogs into a store file of 10,000 certificates | %s | — | — | report | "
                "reported |\n",
                ms(median(installs)).c_str());
    std::filesystem::remove_all(work);
    return 0;
}
