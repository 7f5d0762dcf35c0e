// Measures reading the hostile files that bench_makedata --inputs writes, the way an import
// reads a file, and prints them as rows of the benchmark table.
//   bench_inputs FOLDER [ROUNDS]      (5 rounds unless told; 0 reads each file once)
#include "crypto/certimport.h"

#include "timing.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int rounds = 5;

// The median time of reading `file`; its certificates are counted to make sure it was read.
double readTime(const std::string &file, size_t expected)
{
    const std::wstring path(file.begin(), file.end());
    std::vector<double> times;
    for (int i = 0; i <= rounds; ++i) { // the first round only warms the caches
        size_t count = 0;
        const double t = bench::seconds([&] { count = crypto::readCertificateFile(path).size(); });
        if (count != expected)
            std::fprintf(stderr, "%s gave %zu certificates, not %zu\n", file.c_str(), count, expected);
        if (i > 0 || rounds == 0)
            times.push_back(t);
    }
    return bench::median(times);
}

void row(const char *figure, double seconds, double limit, const char *goal)
{
    std::printf("| %s | %.0f ms | — | — | %s | %s |\n", figure, seconds * 1000, goal,
                seconds < limit ? "met" : "missed");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FOLDER [ROUNDS]\n", argv[0]);
        return 2;
    }
    if (argc > 2)
        rounds = std::atoi(argv[2]);
    const std::string folder = argv[1];
    row("6. PKCS #7 message of 80,000 copies of one certificate: read", readTime(folder + "/copies.p7b", 80000), 2.0,
        "under 2 s");
    row("6b. Store file of 80,000 copies of one certificate: read", readTime(folder + "/copies.sst", 80000), 2.0,
        "under 2 s");
    row("7. PEM of 200,000 tiny blocks on one line and a certificate: read", readTime(folder + "/oneline.pem", 1), 1.0,
        "under 1 s");
    row("7b. PEM of 20,000 certificates with CR line ends: read", readTime(folder + "/cr.pem", 20000), 1.0,
        "under 1 s");
    return 0;
}
