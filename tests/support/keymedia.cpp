#include "keymedia.h"

#include <unicode/unistr.h>

#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

namespace keymediatest {

const wchar_t kGostProvider[] = L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider";

testsupport::ProgramResult keymedium(const std::vector<std::string> &args)
{
    return testsupport::runProgram(KEYMEDIUM_PATH, args);
}

std::string createContainer(const std::string &keyFolder, const std::string &name, const std::string &subject,
                            const std::vector<std::string> &more)
{
    std::vector<std::string> args{"create", "--key-folder", keyFolder, "--name", name, "--subject", subject};
    args.insert(args.end(), more.begin(), more.end());
    const testsupport::ProgramResult result = keymedium(args);
    const std::string prefix = "Created the container in ";
    if (result.exitCode != 0 || result.out.compare(0, prefix.size(), prefix) != 0) {
        ADD_FAILURE() << "keymedium failed: " << result.err;
        return {};
    }
    return result.out.substr(prefix.size(), result.out.find('\n') - prefix.size());
}

SoftTokens::SoftTokens(ScopedEnvironment &environment)
{
    std::filesystem::create_directories(folder_.file("tokens"));
    std::ofstream(folder_.file("softhsm2.conf"))
        << "directories.tokendir = " << folder_.file("tokens") << "\nobjectstore.backend = file\nlog.level = ERROR\n";
    environment.set("SOFTHSM2_CONF", folder_.file("softhsm2.conf"));
    environment.set("CERTINSTALL_PKCS11", module());
}

std::string SoftTokens::module() { return SOFTHSM2_MODULE; }

namespace {

void runTool(const std::string &tool, const std::vector<std::string> &args)
{
    const testsupport::ProgramResult result = testsupport::runProgram(tool, args);
    EXPECT_EQ(result.exitCode, 0) << tool << ": " << result.out << result.err;
}

} // namespace

void SoftTokens::make(const std::string &label) const
{
    runTool("/usr/bin/softhsm2-util",
            {"--init-token", "--free", "--label", label, "--so-pin", "12345678", "--pin", "1234"});
}

void SoftTokens::put(const std::string &token, const Bytes &certificate, const std::string &hexId,
                     const char *label) const
{
    const std::string file = folder_.file("certificate.der");
    testsupport::writeFile(file, certificate);
    std::vector<std::string> args{"--module", module(), "--token-label", token, "--login", "--pin", "1234",
                                  "--write-object", file, "--type", "cert", "--id", hexId};
    if (label)
        args.insert(args.end(), {"--label", label});
    runTool("/usr/bin/pkcs11-tool", args);
}

void SoftTokens::remove(const std::string &label) const
{
    runTool("/usr/bin/softhsm2-util", {"--delete-token", "--token", label});
}

void inChild(const std::function<void()> &body)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        body();
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "failed in its own process (see above)";
}

Provider openGost(const wchar_t *container, DWORD flags)
{
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextW(&handle, container, kGostProvider, kGostType, flags))
        return Provider();
    return Provider(handle);
}

Provider openVerify(const wchar_t *provider, DWORD type)
{
    HCRYPTPROV handle = 0;
    if (!CryptAcquireContextW(&handle, nullptr, provider, type, CRYPT_VERIFYCONTEXT))
        return Provider();
    return Provider(handle);
}

Key exchangeKey(const Provider &provider)
{
    HCRYPTKEY key = 0;
    if (!CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, &key))
        return Key();
    return Key(key);
}

std::vector<std::string> listContainers(HCRYPTPROV provider)
{
    std::vector<std::string> names;
    DWORD longest = 0;
    if (!CryptGetProvParam(provider, PP_ENUMCONTAINERS, nullptr, &longest, CRYPT_FIRST)) {
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
        return names;
    }
    std::vector<char> buffer(longest);
    for (DWORD flags = CRYPT_FIRST;; flags = CRYPT_NEXT) {
        DWORD size = longest;
        if (!CryptGetProvParam(provider, PP_ENUMCONTAINERS, reinterpret_cast<BYTE *>(buffer.data()), &size, flags)) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
            return names;
        }
        EXPECT_EQ(buffer[size - 1], '\0');
        names.emplace_back(buffer.data(), size - 1);
    }
}

Bytes provParam(HCRYPTPROV provider, DWORD param, DWORD flags)
{
    DWORD size = 0;
    if (!CryptGetProvParam(provider, param, nullptr, &size, flags))
        return {};
    Bytes out(size);
    if (!CryptGetProvParam(provider, param, out.data(), &size, flags))
        return {};
    out.resize(size);
    return out;
}

std::string provText(HCRYPTPROV provider, DWORD param, DWORD flags)
{
    const Bytes bytes = provParam(provider, param, flags);
    if (bytes.empty() || bytes.back() != 0)
        return {};
    return std::string(bytes.begin(), bytes.end() - 1);
}

Bytes keyCertificate(HCRYPTKEY key)
{
    DWORD size = 0;
    if (!CryptGetKeyParam(key, KP_CERTIFICATE, nullptr, &size, 0))
        return {};
    Bytes out(size);
    if (!CryptGetKeyParam(key, KP_CERTIFICATE, out.data(), &size, 0))
        return {};
    out.resize(size);
    return out;
}

std::wstring fromUtf8(const std::string &text)
{
    const icu::UnicodeString unicode = icu::UnicodeString::fromUTF8(text);
    std::wstring out(static_cast<size_t>(unicode.countChar32()), L'\0');
    UErrorCode status = U_ZERO_ERROR;
    unicode.toUTF32(reinterpret_cast<UChar32 *>(out.data()), static_cast<int32_t>(out.size()), status);
    return out;
}

Bytes fileBytes(const std::string &path) { return testsupport::readFile(path); }

std::string utf8(const std::wstring &text)
{
    std::string out;
    icu::UnicodeString::fromUTF32(reinterpret_cast<const UChar32 *>(text.data()), static_cast<int32_t>(text.size()))
        .toUTF8String(out);
    return out;
}

} // namespace keymediatest
