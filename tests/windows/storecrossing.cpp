// Writes and reads store files through the certificate services, built for Linux and for
// Windows alike, so that a file written by one build is read by the other
// (tests/windows/winecheck.sh). Both print each certificate of the store, one line each:
// its hash, its name, and its friendly name and key link.
//   storecrossing write FILE CERTIFICATE.der...      through the services, with properties
//   storecrossing elements FILE CERTIFICATE.der...   byte by byte: certificate elements only
//   storecrossing read FILE
#include "crypto/cryptexception.h"
#include "crypto/store.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

namespace {

std::string utf8(const std::wstring &text)
{
    if (text.empty())
        return std::string();
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], size, nullptr, nullptr);
    return out;
}

std::wstring wide(const char *ascii) { return std::wstring(ascii, ascii + std::strlen(ascii)); }

void print(const crypto::CryptoStore &store)
{
    for (const crypto::CryptoCertificate &c : store.enumerate()) {
        wchar_t name[256] = {};
        CertGetNameStringW(c.context(), CERT_NAME_FRIENDLY_DISPLAY_TYPE, 0, nullptr, name, 256);
        const std::vector<BYTE> link = c.getProperty(CERT_KEY_PROV_INFO_PROP_ID);
        const auto *info = link.size() >= sizeof(CRYPT_KEY_PROV_INFO)
                               ? reinterpret_cast<const CRYPT_KEY_PROV_INFO *>(link.data())
                               : nullptr;
        std::printf("%s | %s | friendly name \"%s\" | key \"%s\" type %lu as %lu\n", utf8(c.sha1Hash()).c_str(),
                    utf8(c.simpleDisplayName()).c_str(), utf8(name).c_str(),
                    utf8(c.keyContainerInfo()).c_str(), info ? static_cast<unsigned long>(info->dwProvType) : 0ul,
                    info ? static_cast<unsigned long>(info->dwKeySpec) : 0ul);
    }
}

// The friendly name as store files keep it, UTF-16LE with its zero, whatever wchar_t is.
void setFriendlyName(crypto::CryptoCertificate &c, const std::wstring &text)
{
    std::vector<BYTE> bytes;
    for (wchar_t ch : text + L'\0') {
        bytes.push_back(static_cast<BYTE>(ch & 0xFF));
        bytes.push_back(static_cast<BYTE>((ch >> 8) & 0xFF)); // the names here are in the BMP
    }
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(bytes.size()), bytes.data()};
    c.setProperty(&blob, CERT_FRIENDLY_NAME_PROP_ID, 0);
}

std::vector<BYTE> readDer(const char *path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<BYTE>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The serialized store's header, then per certificate its element (id 32, encoding 1,
// length, DER), then the end element, all little-endian.
int writeElements(const char *path, char **ders, int count)
{
    std::vector<BYTE> file{0, 0, 0, 0, 'C', 'E', 'R', 'T'};
    const auto dword = [&file](DWORD value) {
        for (int i = 0; i < 4; ++i)
            file.push_back(static_cast<BYTE>(value >> (8 * i)));
    };
    for (int i = 0; i < count; ++i) {
        const std::vector<BYTE> der = readDer(ders[i]);
        dword(32);
        dword(1);
        dword(static_cast<DWORD>(der.size()));
        file.insert(file.end(), der.begin(), der.end());
    }
    dword(0);
    dword(0);
    dword(0);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(file.data()), static_cast<std::streamsize>(file.size()));
    return out.good() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const std::string mode = argc >= 3 ? argv[1] : "";
    if (mode == "elements")
        return writeElements(argv[2], argv + 3, argc - 3);
    if (mode != "write" && mode != "read")
        return 2;
    try {
        const auto store = crypto::openStore(wide(argv[2]), true);
        for (int i = 3; mode == "write" && i < argc; ++i) {
            const std::vector<BYTE> der = readDer(argv[i]);
            PCCERT_CONTEXT context =
                CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
            if (!context)
                crypto::throwLastError();
            crypto::CryptoCertificate certificate = crypto::CryptoCertificate::adopt(context);
            const std::wstring number = std::to_wstring(i - 2);
            setFriendlyName(certificate, L"Сертификат " + number);
            const std::wstring container = L"\\\\.\\FLASH\\Контейнер " + number;
            CRYPT_KEY_PROV_INFO link{};
            link.pwszContainerName = const_cast<wchar_t *>(container.c_str());
            link.pwszProvName = const_cast<wchar_t *>(L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider");
            link.dwProvType = 75;
            link.dwKeySpec = i % 2 ? AT_KEYEXCHANGE : AT_SIGNATURE;
            certificate.setProperty(&link, CERT_KEY_PROV_INFO_PROP_ID, 0);
            store->add(certificate);
        }
        if (mode == "write")
            store->commit();
        print(*store);
    } catch (const crypto::CryptException &e) {
        std::fprintf(stderr, "storecrossing: %s\n", utf8(e.message()).c_str());
        return 1;
    }
    return 0;
}
