// Store files of many certificates: open and enumerate, find by hash, commit.
#include <wincrypt.h>

#include "certfactory.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr unsigned kCertificates = 10000;

struct Fixture {
    std::string path;
    std::vector<testsupport::Bytes> hashes;

    Fixture()
    {
        path = (std::filesystem::temp_directory_path() / ("certinstall-bench-" + std::to_string(getpid()) + ".sst"))
                   .string();
        HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, 0, nullptr);
        for (unsigned i = 0; i < kCertificates; ++i) {
            const testsupport::Bytes der = testsupport::makeNumberedCertificate(i);
            hashes.push_back(testsupport::sha1Of(der));
            PCCERT_CONTEXT c = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
            CertAddCertificateContextToStore(store, c, CERT_STORE_ADD_ALWAYS, nullptr);
            CertFreeCertificateContext(c);
        }
        // Write it out as a store file through a file store filled from the memory store.
        HCERTSTORE file = open(CERT_FILE_STORE_COMMIT_ENABLE_FLAG);
        for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(store, nullptr); c; c = CertEnumCertificatesInStore(store, c))
            CertAddCertificateContextToStore(file, c, CERT_STORE_ADD_ALWAYS, nullptr);
        CertCloseStore(file, 0);
        CertCloseStore(store, 0);
    }
    ~Fixture() { std::remove(path.c_str()); }

    HCERTSTORE open(DWORD flags) const
    {
        std::wstring wide(path.begin(), path.end());
        return CertOpenStore(CERT_STORE_PROV_FILENAME_W, X509_ASN_ENCODING, 0, flags, wide.c_str());
    }
};

const Fixture &fixture()
{
    static Fixture f;
    return f;
}

void OpenEnumerateClose(benchmark::State &state)
{
    const Fixture &f = fixture();
    for (auto _ : state) {
        HCERTSTORE store = f.open(0);
        unsigned count = 0;
        for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(store, nullptr); c; c = CertEnumCertificatesInStore(store, c))
            ++count;
        CertCloseStore(store, 0);
        if (count != kCertificates)
            state.SkipWithError("wrong count");
    }
    state.SetItemsProcessed(state.iterations() * kCertificates);
}
BENCHMARK(OpenEnumerateClose)->Unit(benchmark::kMillisecond);

void FindByHash(benchmark::State &state)
{
    const Fixture &f = fixture();
    HCERTSTORE store = f.open(0);
    size_t i = 0;
    for (auto _ : state) {
        const testsupport::Bytes &hash = f.hashes[i++ % f.hashes.size()];
        CRYPT_HASH_BLOB blob{20, const_cast<BYTE *>(hash.data())};
        PCCERT_CONTEXT c = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0, CERT_FIND_SHA1_HASH, &blob, nullptr);
        benchmark::DoNotOptimize(c);
        CertFreeCertificateContext(c);
    }
    CertCloseStore(store, 0);
}
BENCHMARK(FindByHash);

void CommitAfterOneChange(benchmark::State &state)
{
    const Fixture &f = fixture();
    HCERTSTORE store = f.open(CERT_FILE_STORE_COMMIT_ENABLE_FLAG);
    PCCERT_CONTEXT first = CertEnumCertificatesInStore(store, nullptr);
    BYTE value = 0;
    for (auto _ : state) {
        ++value;
        CRYPT_DATA_BLOB blob{1, &value};
        CertSetCertificateContextProperty(first, CERT_FIRST_USER_PROP_ID, 0, &blob);
        if (!CertControlStore(store, 0, CERT_STORE_CTRL_COMMIT, nullptr))
            state.SkipWithError("commit failed");
    }
    CertFreeCertificateContext(first);
    CertCloseStore(store, 0);
}
BENCHMARK(CommitAfterOneChange)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
