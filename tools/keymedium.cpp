// keymedium: makes key containers on key media, in the layout the platform layer reads.
#include "containerfolder.h"
#include "gostengine.h"
#include "keyfiles.h"
#include "selfsigned.h"

#include "crypto/storehandle.h"
#include "files/filereading.h"
#include "providers/keycontainers.h"
#include "providers/pfximport.h"
#include "providers/providers.h"
#include "text/utf8text.h"

#include <openssl/ui.h>

#include <cstdio>
#include <filesystem>
#include <cstdlib>
#include <exception>
#include <initializer_list>
#include <map>
#include <stdexcept>
#include <string>
#include <sys/stat.h>

using namespace keymedium;

namespace {

const char kUsage[] =
    "Usage:\n"
    "  keymedium create (--medium DIR | --key-folder DIR) --name NAME --subject SUBJECT\n"
    "                   [--key exchange|signature] [--days N]\n"
    "  keymedium import (--medium DIR | --key-folder DIR) --name NAME\n"
    "                   [--certificate FILE] [--private-key FILE] [--key exchange|signature]\n"
    "  keymedium import --pfx FILE [--password-file FILE] [--medium DIR | --key-folder DIR]\n"
    "  keymedium --help\n"
    "\n"
    "create  makes a container holding a new GOST R 34.10-2012 (256-bit) key and a\n"
    "        self-signed certificate of it.\n"
    "import  makes a container from an existing certificate and/or private key.\n"
    "\n"
    "  --medium DIR         a key medium (a mounted removable disk, or any folder): the\n"
    "                       container goes into its folder certinstall-keys\n"
    "  --key-folder DIR     the key folder itself, e.g. $CERTINSTALL_HOME/keys\n"
    "  --name NAME          the container's name (UTF-8, at most 260 characters)\n"
    "  --subject SUBJECT    the certificate's subject as /type=value/type=value..., e.g.\n"
    "                       \"/C=RU/O=Organization/CN=Full name\"; '\\' escapes a '/'\n"
    "  --days N             validity of the certificate in days (default 365)\n"
    "  --certificate FILE   the certificate, PEM or DER\n"
    "  --private-key FILE   its private key, unencrypted PEM or DER; checked against the\n"
    "                       certificate when both are given\n"
    "  --key exchange|signature\n"
    "                       which key of the container this is (default exchange)\n"
    "  --pfx FILE           a PKCS #12 file (.pfx, .p12): each key goes, encrypted with the\n"
    "                       file's password, into a new container named after its friendly\n"
    "                       name (else the file's name; \" (2)\" and so on when taken), with its\n"
    "                       certificate; without --medium or --key-folder into the local key\n"
    "                       folder $CERTINSTALL_HOME/keys\n"
    "  --password-file FILE the PKCS #12 file's password: the file's first line (UTF-8);\n"
    "                       without it the password is asked for on the terminal\n";

// A mistake on the command line: the usage follows the message.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

using Options = std::map<std::string, std::string>;

Options parseOptions(int argc, char **argv, std::initializer_list<const char *> allowed)
{
    Options options;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        bool known = false;
        for (const char *name : allowed)
            known = known || option == name;
        if (!known)
            throw UsageError("unknown option " + option);
        if (i + 1 == argc)
            throw UsageError(option + " needs a value");
        if (!options.emplace(option, argv[++i]).second)
            throw UsageError(option + " is given twice");
    }
    return options;
}

std::string take(const Options &options, const std::string &name)
{
    auto it = options.find(name);
    if (it == options.end())
        throw UsageError(name + " is missing");
    return it->second;
}

// The key folder that the options name.
std::string keyFolderOf(const Options &options)
{
    const bool medium = options.count("--medium"), folder = options.count("--key-folder");
    if (medium == folder)
        throw UsageError("give either --medium or --key-folder");
    if (folder)
        return take(options, "--key-folder");
    const std::string root = take(options, "--medium");
    struct stat st {};
    if (::stat(root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw std::runtime_error("the medium " + root + " is not a folder (is it mounted?)");
    return root + "/" + kMediumKeyFolder;
}

ContainerContent contentOf(const Options &options)
{
    ContainerContent content;
    content.name = take(options, "--name");
    std::wstring name;
    if (!platform::decodeUtf8(content.name, name) || !platform::isContainerName(name))
        throw UsageError("the container's name must be UTF-8 text of 1 to " +
                         std::to_string(platform::kLongestContainerName) + " characters");
    if (auto key = options.find("--key"); key != options.end()) {
        if (key->second != "exchange" && key->second != "signature")
            throw UsageError("--key is exchange or signature");
        content.exchangeKey = key->second == "exchange";
    }
    return content;
}

long daysOf(const Options &options)
{
    auto it = options.find("--days");
    if (it == options.end())
        return 365;
    char *end = nullptr;
    const long days = std::strtol(it->second.c_str(), &end, 10);
    if (it->second.empty() || *end || days < 1 || days > 36500)
        throw UsageError("--days is a number of days from 1 to 36500");
    return days;
}

std::string create(const Options &options)
{
    ContainerContent content = contentOf(options);
    const std::string keyFolder = keyFolderOf(options);
    const long days = daysOf(options);
    X509NamePtr subject;
    try {
        subject = parseSubject(take(options, "--subject"));
    } catch (const std::invalid_argument &e) {
        throw UsageError(e.what());
    }
    GostEngine engine;
    const KeyUse use = content.exchangeKey ? KeyUse::Exchange : KeyUse::Signature;
    PKeyPtr key = generateGostKey(engine.get(), use);
    X509Ptr cert = makeSelfSigned(key.get(), subject.get(), days, use);
    content.certificate = derOf(cert.get());
    content.privateKeyPem = pemOf(key.get());
    return writeContainer(keyFolder, content);
}

// The first line of the file, or what the user types on the terminal (not shown).
std::string pfxPassword(const Options &options)
{
    if (auto file = options.find("--password-file"); file != options.end()) {
        std::vector<BYTE> bytes;
        if (!platform::readWholeFile(file->second, bytes, 4096))
            throw std::runtime_error("cannot read the password file " + file->second);
        std::string password(bytes.begin(), bytes.end());
        return password.substr(0, password.find_first_of("\r\n"));
    }
    char typed[1024] = {};
    if (UI_UTIL_read_pw_string(typed, sizeof typed, "Password of the PKCS #12 file: ", 0) != 0)
        throw std::runtime_error("no password was typed");
    const std::string password = typed;
    OPENSSL_cleanse(typed, sizeof typed);
    return password;
}

std::string whyPfxFailed(DWORD code)
{
    if (code == ERROR_INVALID_PASSWORD)
        return "the password is wrong";
    if (code == static_cast<DWORD>(CRYPT_E_BAD_ENCODE))
        return "the file is damaged or is no PKCS #12 file";
    if (code == static_cast<DWORD>(NTE_BAD_ALGID))
        return "its key is of an algorithm that cannot be read";
    char text[32];
    std::snprintf(text, sizeof text, "error 0x%08X", static_cast<unsigned>(code));
    return text;
}

// Containers from a PKCS #12 file, as the store editor's import makes them.
std::string importPfx(const Options &options)
{
    if (options.count("--name") || options.count("--certificate") || options.count("--private-key") ||
        options.count("--key"))
        throw UsageError("--pfx takes the names, certificates and keys from the file");
    const std::string path = take(options, "--pfx");
    const std::string keyFolder = options.count("--medium") || options.count("--key-folder")
                                      ? keyFolderOf(options)
                                      : platform::localReaderSource().path;
    std::vector<BYTE> bytes;
    if (!platform::readWholeFile(path, bytes, size_t(64) << 20))
        throw std::runtime_error("cannot read " + path);
    std::wstring password;
    if (!platform::decodeUtf8(pfxPassword(options), password))
        throw std::runtime_error("the password is no UTF-8 text");
    platform::PfxTarget target;
    target.keyFolder = keyFolder;
    target.reader = L"LOCAL";
    std::string stem = std::filesystem::path(path).stem().string();
    target.fallbackName = platform::fromUtf8(stem);
    std::vector<std::wstring> names;
    const crypto::StoreHandle store(
        platform::importPfx(bytes.data(), bytes.size(), password.c_str(), target, &names));
    if (!store)
        throw std::runtime_error("cannot import " + path + ": " + whyPfxFailed(GetLastError()));
    if (names.empty())
        throw std::runtime_error(path + " holds no private key");
    for (const std::wstring &name : names)
        std::printf("Created the container \"%s\" in %s\n", platform::toUtf8(name).c_str(), keyFolder.c_str());
    return {}; // said already
}

std::string import(const Options &options)
{
    if (options.count("--pfx"))
        return importPfx(options);
    ContainerContent content = contentOf(options);
    const std::string keyFolder = keyFolderOf(options);
    const bool hasCertificate = options.count("--certificate"), hasKey = options.count("--private-key");
    if (!hasCertificate && !hasKey)
        throw UsageError("give --certificate, --private-key or both");
    GostEngine engine; // the files may hold GOST keys
    X509Ptr cert = hasCertificate ? readCertificate(take(options, "--certificate")) : nullptr;
    PKeyPtr key = hasKey ? readPrivateKey(take(options, "--private-key")) : nullptr;
    if (cert && key)
        checkKeyMatches(cert.get(), key.get());
    if (cert)
        content.certificate = derOf(cert.get());
    if (key)
        content.privateKeyPem = pemOf(key.get());
    return writeContainer(keyFolder, content);
}

} // namespace

int main(int argc, char **argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "--help" || command == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    try {
        std::string folder;
        if (command == "create")
            folder = create(
                parseOptions(argc, argv, {"--medium", "--key-folder", "--name", "--subject", "--key", "--days"}));
        else if (command == "import")
            folder = import(parseOptions(argc, argv,
                                         {"--medium", "--key-folder", "--name", "--certificate", "--private-key",
                                          "--key", "--pfx", "--password-file"}));
        else
            throw UsageError(command.empty() ? "no command given" : "unknown command " + command);
        if (!folder.empty())
            std::printf("Created the container in %s\n", folder.c_str());
        return 0;
    } catch (const UsageError &e) {
        std::fprintf(stderr, "keymedium: %s\n\n%s", e.what(), kUsage);
        return 2;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "keymedium: %s\n", e.what());
        return 1;
    }
}
