#include "keymedia.h"

#include <unicode/unistr.h>

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
