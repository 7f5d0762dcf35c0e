// The installed providers: the GOST provider by default, others from the configuration
// file, each searching its own readers.
#include "keymedia.h"

#include "certfactory.h"

#define P11_KIT_FUTURE_UNSTABLE_API // the registry's folders, which tests point at their own
#include <p11-kit/p11-kit.h>

using namespace keymediatest;
using namespace std::string_literals;

namespace {

using ProviderConfiguration = KeyMedia;

struct ProviderEntry {
    DWORD type;
    std::wstring name;
    bool operator==(const ProviderEntry &other) const { return type == other.type && name == other.name; }
};

std::ostream &operator<<(std::ostream &out, const ProviderEntry &entry)
{
    return out << entry.type << ' ' << std::string(entry.name.begin(), entry.name.end());
}

// Every provider through the two-call contract, until the end of the list.
std::vector<ProviderEntry> enumProviders()
{
    std::vector<ProviderEntry> out;
    for (DWORD index = 0;; ++index) {
        DWORD type = 0, size = 0;
        if (!CryptEnumProvidersW(index, nullptr, 0, &type, nullptr, &size)) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
            return out;
        }
        std::vector<wchar_t> name(size / sizeof(wchar_t));
        EXPECT_TRUE(CryptEnumProvidersW(index, nullptr, 0, &type, name.data(), &size));
        out.push_back({type, name.data()});
    }
}

DWORD acquireError(const wchar_t *container, const wchar_t *provider, DWORD type, DWORD flags = 0)
{
    HCRYPTPROV handle = 0;
    if (CryptAcquireContextW(&handle, container, provider, type, flags)) {
        CryptReleaseContext(handle, 0);
        return ERROR_SUCCESS;
    }
    return GetLastError();
}

} // namespace

TEST_F(ProviderConfiguration, WithoutAFileTheGostProviderIsTheOnlyOne)
{
    EXPECT_EQ(enumProviders(), (std::vector<ProviderEntry>{{kGostType, kGostProvider}}));
}

TEST_F(ProviderConfiguration, ProviderNamesAreSizedInBytesWithTheirZero)
{
    DWORD type = 0, size = 0;
    ASSERT_TRUE(CryptEnumProvidersW(0, nullptr, 0, &type, nullptr, &size));
    EXPECT_EQ(size, (std::wcslen(kGostProvider) + 1) * sizeof(WCHAR));
    std::vector<wchar_t> name(8);
    DWORD shortSize = static_cast<DWORD>(name.size() * sizeof(WCHAR));
    EXPECT_FALSE(CryptEnumProvidersW(0, nullptr, 0, &type, name.data(), &shortSize));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(shortSize, size);
}

TEST_F(ProviderConfiguration, EnumerationTakesNoFlagsAndNoReserved)
{
    DWORD type = 0, size = 0, reserved = 0;
    EXPECT_FALSE(CryptEnumProvidersW(0, nullptr, 1, &type, nullptr, &size));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_FLAGS));
    EXPECT_FALSE(CryptEnumProvidersW(0, &reserved, 0, &type, nullptr, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(ProviderConfiguration, ListedProvidersFollowTheGostProvider)
{
    writeProviderConfig("# test providers\n"
                        "[Token Provider]\ntype = 80\n\n"
                        "[Software Provider]\ntype = 24\n");
    EXPECT_EQ(enumProviders(), (std::vector<ProviderEntry>{
                                   {kGostType, kGostProvider}, {80, L"Token Provider"}, {24, L"Software Provider"}}));
}

TEST_F(ProviderConfiguration, EachWalkReadsTheFileAsItIsNow)
{
    writeProviderConfig("[Token Provider]\ntype = 80\n");
    ASSERT_EQ(enumProviders().size(), 2u);
    writeProviderConfig("[Token Provider]\ntype = 81\n"); // the same size, maybe the same time
    EXPECT_EQ(enumProviders(), (std::vector<ProviderEntry>{{kGostType, kGostProvider}, {81, L"Token Provider"}}));
}

TEST_F(ProviderConfiguration, AFileThatListsTheGostProviderPlacesIt)
{
    writeProviderConfig("[Token Provider]\ntype = 80\n"
                        "[Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider]\ntype = 75\n");
    EXPECT_EQ(enumProviders(), (std::vector<ProviderEntry>{{80, L"Token Provider"}, {kGostType, kGostProvider}}));
}

TEST_F(ProviderConfiguration, AnUnknownNameIsNoProvider)
{
    writeProviderConfig("[Token Provider]\ntype = 80\n");
    EXPECT_EQ(acquireError(nullptr, L"Unknown Provider", 80, CRYPT_VERIFYCONTEXT), code(NTE_KEYSET_NOT_DEF));
}

TEST_F(ProviderConfiguration, ANameWithAnotherTypeDoesNotMatch)
{
    writeProviderConfig("[Token Provider]\ntype = 80\n");
    EXPECT_EQ(acquireError(nullptr, L"Token Provider", kGostType, CRYPT_VERIFYCONTEXT), code(NTE_PROV_TYPE_NO_MATCH));
    EXPECT_EQ(acquireError(nullptr, kGostProvider, 80, CRYPT_VERIFYCONTEXT), code(NTE_PROV_TYPE_NO_MATCH));
}

TEST_F(ProviderConfiguration, NamesMatchWithoutRegardToCase)
{
    writeProviderConfig("[Token Provider]\ntype = 80\n");
    Provider provider = openVerify(L"TOKEN provider", 80);
    ASSERT_TRUE(provider) << std::hex << GetLastError();
    EXPECT_EQ(provText(provider.get(), PP_NAME), "Token Provider");
}

TEST_F(ProviderConfiguration, WithoutANameTheFirstProviderOfTheTypeOpens)
{
    writeProviderConfig("[Token Provider]\ntype = 80\n[Second Token Provider]\ntype = 80\n");
    Provider provider = openVerify(nullptr, 80);
    ASSERT_TRUE(provider);
    EXPECT_EQ(provText(provider.get(), PP_NAME), "Token Provider");
    EXPECT_EQ(acquireError(nullptr, nullptr, 81, CRYPT_VERIFYCONTEXT), code(NTE_PROV_TYPE_NOT_DEF));
}

TEST_F(ProviderConfiguration, TypesOutOfRangeAreRefused)
{
    EXPECT_EQ(acquireError(nullptr, kGostProvider, 0, CRYPT_VERIFYCONTEXT), code(NTE_BAD_PROV_TYPE));
    EXPECT_EQ(acquireError(nullptr, kGostProvider, 1000, CRYPT_VERIFYCONTEXT), code(NTE_BAD_PROV_TYPE));
}

TEST_F(ProviderConfiguration, EachProviderSearchesItsOwnReaders)
{
    const std::string tokens = home.file("tokens"), cards = home.file("cards");
    writeProviderConfig("[Token Provider]\ntype = 80\nreader = TOKENS " + tokens +
                        "\n"
                        "[Card Provider]\ntype = 81\nmedia = " +
                        cards + "\nreader = EXTRA " + home.file("extra keys") + "\n");
    createContainer(tokens, "token container");
    createContainer(cards + "/card1/certinstall-keys", "card container");
    createContainer(home.file("extra keys"), "extra container");
    createContainer(localKeys(), "local container");
    createContainer(medium("usb"), "usb container");

    Provider gost = openVerify(), token = openVerify(L"Token Provider", 80), card = openVerify(L"Card Provider", 81);
    ASSERT_TRUE(gost && token && card);
    EXPECT_EQ(listContainers(gost.get()), (std::vector<std::string>{"local container", "usb container"}));
    EXPECT_EQ(listContainers(token.get()), std::vector<std::string>{"token container"});
    EXPECT_EQ(listContainers(card.get()), (std::vector<std::string>{"card container", "extra container"}));

    HCRYPTPROV handle = 0;
    ASSERT_TRUE(CryptAcquireContextW(&handle, L"card container", L"Card Provider", 81, 0));
    Provider opened(handle);
    EXPECT_EQ(provText(opened.get(), PP_UNIQUE_CONTAINER), "\\\\.\\MEDIA-card1\\card container");
    EXPECT_EQ(acquireError(L"local container", L"Card Provider", 81), code(NTE_BAD_KEYSET));
}

TEST_F(ProviderConfiguration, AKeyFolderReachedTwiceIsOneReader)
{
    const std::string tokens = home.file("tokens");
    writeProviderConfig("[Token Provider]\ntype = 80\nreader = A " + tokens + "\nreader = B " + tokens + "/.\n");
    createContainer(tokens, "once");
    Provider token = openVerify(L"Token Provider", 80);
    EXPECT_EQ(listContainers(token.get()), std::vector<std::string>{"once"});
}

TEST_F(ProviderConfiguration, AMistakeCostsItsSectionAndIsReportedOnceWithItsLine)
{
    const ProviderEntry gost{kGostType, kGostProvider}, token{80, L"Token Provider"}, card{81, L"Card Provider"};
    const struct {
        std::string text;
        std::vector<ProviderEntry> listed;
        std::string problem; // the start of the one line on standard error, after "file:"
    } cases[] = {
        {"type = 80\n[Card Provider]\ntype = 81\n", {gost, card}, "1: \"type = 80\" is outside"},
        {"[Token Provider]\n[Card Provider]\ntype = 81\n", {gost, card}, "1: provider \"Token Provider\" has no type"},
        {"[Token Provider\ntype = 80\n[Card Provider]\ntype = 81\n", {gost, card}, "1: the section header"},
        {"[Pin Provider]\ntyp = 80\n[Card Provider]\ntype = 81\n", {gost, card}, "2: unknown key \"typ\""},
        {"[Token Provider]\ntype = 1000\n", {gost}, "2: type \"1000\""},
        {"[Token Provider]\ntype = 80\nreader = relative/path\n", {gost}, "3: reader"},
        {"[Token Provider]\ntype = 80\npkcs11 = libsofthsm2.so\n", {gost}, "3: pkcs11 \"libsofthsm2.so\""},
        {"[Card Provider]\ntype = 81\ncolour = blue\n[Token Provider]\ntype = 80\n", {gost, token},
         "3: unknown key \"colour\""},
        {"[Token Provider]\ntype = 80\n[token provider]\ntype = 81\n", {gost, token}, "3: provider \"token provider\""},
        {"[Token Provider]\ntype = 80\n[crypto-pro gost r 34.10-2001 cryptographic service provider]\ntype = 80\n",
         {token, gost}, "4: the built-in provider's type is 75"},
        // Programs list provider names into 200 characters.
        {"[" + std::string(200, 'P') + "]\ntype = 80\n[Card Provider]\ntype = 81\n", {gost, card},
         "1: the provider's name is longer than 199"},
        {"[Token Provider]\ntype = 80\nreader = T /srv/keys\0/x\n[Card Provider]\ntype = 81\n"s, {gost, card},
         "3: \"reader = T /srv/keys\\x00/x\" holds a NUL"},
        {"[Token\0Provider]\ntype = 80\n[Card Provider]\ntype = 81\n"s, {gost, card}, "1: the provider's name holds a NUL"},
        // A line shown on a terminal cannot drive it.
        {"[Token Provider]\ntype = 80\n\x1B]0;title\x07\xC2\x9B" "2J = x\n", {gost}, "3: unknown key \"\\x1B]0;title\\x07\\u009B2J\""},
        {std::string(1 << 20, '#') + "\n[Token Provider]\ntype = 80\n", {gost}, " larger than 1 MiB"},
    };
    for (const auto &c : cases) {
        writeProviderConfig(c.text);
        testing::internal::CaptureStderr();
        EXPECT_EQ(enumProviders(), c.listed) << c.text;
        EXPECT_EQ(acquireError(nullptr, kGostProvider, kGostType, CRYPT_VERIFYCONTEXT), 0u) << c.text;
        const std::string reported = testing::internal::GetCapturedStderr();
        EXPECT_EQ(reported.rfind(home.file("providers.conf") + ":" + c.problem, 0), 0u) << reported;
        EXPECT_EQ(std::count(reported.begin(), reported.end(), '\n'), 1) << reported;
    }
}

// As root p11-kit reads no user's module files, so the test points its system folders at
// its own registry: SoftHSM, and the trust module holding a CA certificate.
TEST_F(ProviderConfiguration, ATokenProviderSearchesTheRegistryButTheTrustModule)
{
    SoftTokens tokens(environment);
    tokens.make("Card");
    tokens.put("Card", testsupport::makeCertificate({}), "01", "mine");
    const TempDir registry;
    std::filesystem::create_directories(registry.file("modules"));
    std::filesystem::create_directories(registry.file("anchors"));
    testsupport::writeFile(registry.file("anchors/ca.der"), fileBytes(TEST_DATA_DIR "/ca.der"));
    std::ofstream(registry.file("modules/softhsm2.module")) << "module: " << SoftTokens::module() << "\n";
    std::ofstream(registry.file("modules/trust.module"))
        << "module: p11-kit-trust.so\ntrust-policy: yes\nx-init-reserved: paths=" << registry.file("anchors") << "\n";
    writeProviderConfig("[Token Provider]\ntype = 80\npkcs11 = registry\n");
    inChild([&] {
        const std::string none = registry.file("none"), modules = registry.file("modules");
        p11_kit_override_system_files(none.c_str(), none.c_str(), modules.c_str(), modules.c_str(), none.c_str());
        Provider provider = openVerify(L"Token Provider", 80);
        EXPECT_EQ(listContainers(provider.get()), std::vector<std::string>{"mine"});
    });
}
