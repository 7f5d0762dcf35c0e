// Crypto.cfg contents, read from a file as the program reads it.
#include "crypto/cryptoconfig.h"

#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    static const std::string path = "/tmp/certinstall-fuzz-" + std::to_string(getpid()) + ".cfg";
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    const StoreConfig config = readCryptoConfig(std::wstring(path.begin(), path.end()));
    // Whatever the file says, both settings come back as text of one line, without a NUL
    // that would cut them short where they are used.
    for (const std::wstring *value : {&config.type, &config.name})
        if (value->find(L'\n') != std::wstring::npos || value->find(L'\0') != std::wstring::npos)
            __builtin_trap();
    return 0;
}
