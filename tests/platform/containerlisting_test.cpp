// Listing the key containers a provider sees: order, names of any length and script, the
// readers searched, and the enumeration's buffer contract.
#include "keymedia.h"

#include "certfactory.h"

using namespace keymediatest;

namespace {

using ContainerListing = KeyMedia;

std::vector<std::string> listGost()
{
    Provider provider = openVerify();
    EXPECT_TRUE(provider) << std::hex << GetLastError();
    return provider ? listContainers(provider.get()) : std::vector<std::string>{};
}

Bytes dataCertificate(const std::string &name) { return fileBytes(TEST_DATA_DIR "/" + name); }

} // namespace

TEST_F(ContainerListing, WithoutAnyContainerEndsAtOnce)
{
    Provider provider = openVerify();
    ASSERT_TRUE(provider);
    char buffer[100];
    DWORD size = sizeof buffer;
    EXPECT_FALSE(
        CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE *>(buffer), &size, CRYPT_FIRST));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
}

TEST_F(ContainerListing, ContainersOfAReaderComeInTheOrderOfTheirNames)
{
    for (const char *name : {"beta", "Gamma", "alpha"})
        createContainer(localKeys(), name);
    EXPECT_EQ(listGost(), (std::vector<std::string>{"Gamma", "alpha", "beta"}));
}

TEST_F(ContainerListing, TheLocalFolderComesFirstThenEachMediumInMountOrder)
{
    createContainer(medium("usb2"), "on second medium");
    createContainer(medium("usb1"), "on first medium");
    createContainer(localKeys(), "local");
    EXPECT_EQ(listGost(), (std::vector<std::string>{"local", "on first medium", "on second medium"}));
}

TEST_F(ContainerListing, AMountedFolderWithoutKeyFolderIsNoReader)
{
    std::filesystem::create_directories(mounts.file("camera/DCIM/container.000"));
    std::ofstream(mounts.file("camera/DCIM/container.000/name")) << "photo";
    EXPECT_TRUE(listGost().empty());
}

TEST_F(ContainerListing, LongAndCyrillicNamesAreListedWhole)
{
    const std::string longName(260, 'k'); // the longest a container's name may be
    const std::string cyrillic = utf8(L"Ключевой контейнер Иванова Ивана Ивановича, бухгалтерия");
    ASSERT_GT(cyrillic.size(), 100u);
    createContainer(localKeys(), longName);
    createContainer(localKeys(), cyrillic);
    createContainer(localKeys(), "short");
    EXPECT_EQ(listGost(), (std::vector<std::string>{longName, "short", cyrillic}));
}

TEST_F(ContainerListing, NamesComeInTheCharacterSetOfTheLocale)
{
    createContainer(localKeys(), utf8(L"Ключ"));
    environment.set("LC_ALL", "ru_RU.CP1251");
    // "Ключ" in windows-1251.
    EXPECT_EQ(listGost(), std::vector<std::string>{"\xCA\xEB\xFE\xF7"});
}

TEST_F(ContainerListing, ASizeQueryAtFirstGivesTheLongestNameAndMovesNothing)
{
    createContainer(localKeys(), "a");
    createContainer(localKeys(), "bbbbbbbbbb");
    createContainer(localKeys(), "ccc");
    Provider provider = openVerify();
    DWORD size = 0;
    ASSERT_TRUE(CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, nullptr, &size, CRYPT_FIRST));
    EXPECT_EQ(size, 11u);

    char buffer[11];
    size = sizeof buffer;
    ASSERT_TRUE(
        CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE *>(buffer), &size, CRYPT_NEXT));
    EXPECT_EQ(std::string(buffer, size), std::string("a", 2));
}

TEST_F(ContainerListing, AShortBufferAsksForMoreAndStaysAtTheSameName)
{
    createContainer(localKeys(), "a");
    createContainer(localKeys(), "bbbbbbbbbb");
    Provider provider = openVerify();
    char buffer[11];
    DWORD size = sizeof buffer;
    ASSERT_TRUE(
        CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE *>(buffer), &size, CRYPT_FIRST));

    size = 3;
    EXPECT_FALSE(
        CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE *>(buffer), &size, CRYPT_NEXT));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, 11u);

    ASSERT_TRUE(
        CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE *>(buffer), &size, CRYPT_NEXT));
    EXPECT_EQ(std::string(buffer, size), std::string("bbbbbbbbbb", 11));
}

TEST_F(ContainerListing, TheEndStaysTheEnd)
{
    createContainer(localKeys(), "only");
    Provider provider = openVerify();
    char buffer[16];
    DWORD size = sizeof buffer;
    ASSERT_TRUE(
        CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE *>(buffer), &size, CRYPT_FIRST));
    for (int call = 0; call < 2; ++call) {
        size = sizeof buffer;
        EXPECT_FALSE(
            CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE *>(buffer), &size, CRYPT_NEXT));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_ITEMS));
    }
}

TEST_F(ContainerListing, FirstSearchesTheMediaAgain)
{
    Provider provider = openVerify();
    EXPECT_TRUE(listContainers(provider.get()).empty());
    createContainer(medium("usb"), "inserted later");
    EXPECT_EQ(listContainers(provider.get()), std::vector<std::string>{"inserted later"});
}

TEST_F(ContainerListing, AContainerOnAContextIsListedWithTheOthers)
{
    createContainer(localKeys(), "one");
    createContainer(localKeys(), "two");
    Provider provider = openGost(L"two");
    ASSERT_TRUE(provider) << std::hex << GetLastError();
    EXPECT_EQ(listContainers(provider.get()), (std::vector<std::string>{"one", "two"}));
}

TEST_F(ContainerListing, UnknownEnumerationFlagsAreRefused)
{
    createContainer(localKeys(), "one");
    Provider provider = openVerify();
    char buffer[16];
    DWORD size = sizeof buffer;
    EXPECT_FALSE(CryptGetProvParam(provider.get(), PP_ENUMCONTAINERS, reinterpret_cast<BYTE *>(buffer), &size,
                                   CRYPT_FIRST | CRYPT_MACHINE_KEYSET));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_FLAGS));
}

TEST_F(ContainerListing, AContainerWrittenByHandAfterTheLayoutIsListedAndOpens)
{
    const std::string folder = localKeys() + "/by hand";
    std::filesystem::create_directories(folder + "/exchange");
    std::ofstream(folder + "/name", std::ios::binary) << "written by hand\n"; // as `echo` writes it
    const Bytes certificate = testsupport::makeCertificate({});
    testsupport::writeFile(folder + "/exchange/certificate.der", certificate);

    EXPECT_EQ(listGost(), std::vector<std::string>{"written by hand"});
    Provider provider = openGost(L"written by hand");
    ASSERT_TRUE(provider) << std::hex << GetLastError();
    EXPECT_EQ(keyCertificate(exchangeKey(provider).get()), certificate);
}

TEST_F(ContainerListing, FoldersWithoutAValidNameOrHiddenAreNoContainers)
{
    std::filesystem::create_directories(localKeys() + "/no name/exchange");
    const struct {
        const char *folder;
        std::string name;
    } folders[] = {
        {".half written", "half"},
        {"too long", std::string(261, 'k')},
        {"too long in two-unit characters", utf8(std::wstring(131, L'\U0001F511'))},
        // Both would list as "Key\uFFFD", and neither could be told from the other.
        {"not utf-8", "Key\xFF"},
        {"not utf-8 either", "Key\xFE"},
        {"surrogate", "Key\xED\xA0\x80"},
    };
    for (const auto &folder : folders) {
        std::filesystem::create_directories(localKeys() + "/" + folder.folder);
        std::ofstream(localKeys() + "/" + folder.folder + "/name", std::ios::binary) << folder.name;
    }
    EXPECT_TRUE(listGost().empty());
}

TEST_F(ContainerListing, EachCertificateWithAnIdOnATokenIsAContainerNamedByItsLabel)
{
    SoftTokens tokens(environment);
    createContainer(localKeys(), "local");
    const std::string accounts = utf8(L"Бухгалтерия"), ivanov = utf8(L"Иванов"), twin = utf8(L"Дубль");
    tokens.make(accounts);
    tokens.make("A\\B");
    const struct {
        std::string token, file, id;
        const std::string *label; // none when null
    } objects[] = {
        {accounts, "rsa.der", "01", &ivanov},     {accounts, "ec.der", "02", nullptr},
        {accounts, "gost2012.der", "0a", &twin},  {accounts, "san-email.der", "0b", &twin},
        {"A\\B", "no-ski.der", "01", &ivanov},
    };
    for (const auto &object : objects)
        tokens.put(object.token, dataCertificate(object.file), object.id, object.label ? object.label->c_str() : nullptr);
    const struct {
        std::wstring name, unique;
        std::string file;
    } opened[] = {
        {L"Иванов", L"\\\\.\\TOKEN-A_B\\Иванов", "no-ski.der"}, // the first token that has it, by label
        {L"02", L"\\\\.\\TOKEN-Бухгалтерия\\02", "ec.der"},
        {L"\\\\.\\TOKEN-Бухгалтерия\\Дубль (0A)", L"\\\\.\\TOKEN-Бухгалтерия\\Дубль (0A)", "gost2012.der"},
        {L"\\\\.\\TOKEN-Бухгалтерия\\Иванов", L"\\\\.\\TOKEN-Бухгалтерия\\Иванов", "rsa.der"},
    };
    inChild([&] {
        EXPECT_EQ(listGost(), (std::vector<std::string>{"local", ivanov, "02", utf8(L"Дубль (0A)"),
                                                       utf8(L"Дубль (0B)"), ivanov}));
        for (const auto &container : opened) {
            Provider provider = openGost(container.name.c_str());
            ASSERT_TRUE(provider) << utf8(container.name) << std::hex << GetLastError();
            EXPECT_EQ(provText(provider.get(), PP_UNIQUE_CONTAINER), utf8(container.unique));
            EXPECT_EQ(keyCertificate(exchangeKey(provider).get()), dataCertificate(container.file));
        }
    });
}

TEST_F(ContainerListing, FirstSearchesTheTokensAgain)
{
    SoftTokens tokens(environment);
    tokens.make("Card");
    tokens.put("Card", testsupport::makeCertificate({}), "01", "mine");
    inChild([&] {
        EXPECT_EQ(listGost(), std::vector<std::string>{"mine"});
        tokens.remove("Card");
        EXPECT_TRUE(listGost().empty());
    });
}
