// Opening a provider context on a key container: by its listed or unique name, without a
// container, and when the container is not (or no longer) there.
#include "keymedia.h"

#include "certfactory.h"

#include <cstring>

using namespace keymediatest;

namespace {

using ContainerOpening = KeyMedia;

const std::wstring kUniquePrefix = L"\\\\.\\";

} // namespace

TEST_F(ContainerOpening, AListedNameOpensItsContainer)
{
    const std::string folder = createContainer(localKeys(), "mine");
    Provider provider = openGost(L"mine");
    ASSERT_TRUE(provider) << std::hex << GetLastError();
    Key key = exchangeKey(provider);
    ASSERT_TRUE(key);
    EXPECT_EQ(keyCertificate(key.get()), fileBytes(folder + "/exchange/certificate.der"));
}

TEST_F(ContainerOpening, TheUniqueNameNamesTheReaderAndDiffersFromTheListedName)
{
    createContainer(localKeys(), "local one");
    createContainer(medium("TOKEN"), "on token");
    Provider local = openGost(L"local one"), token = openGost(L"on token");
    ASSERT_TRUE(local && token);
    EXPECT_EQ(provText(local.get(), PP_UNIQUE_CONTAINER), "\\\\.\\LOCAL\\local one");
    EXPECT_EQ(provText(token.get(), PP_UNIQUE_CONTAINER), "\\\\.\\MEDIA-TOKEN\\on token");
}

TEST_F(ContainerOpening, TheUniqueNameOpensTheSameContainerAgain)
{
    // The same name on two media: only the unique name tells them apart.
    const std::string second = createContainer(medium("second"), utf8(L"двойник"));
    createContainer(medium("third"), utf8(L"двойник"));
    std::filesystem::rename(mounts.file("third"), mounts.file("a-third")); // now searched before "second"

    Provider byListed = openGost(L"двойник");
    ASSERT_TRUE(byListed);
    std::string unique;
    {
        const std::string secondUnique = utf8(L"\\\\.\\MEDIA-second\\двойник");
        Provider bySecond = openGost(fromUtf8(secondUnique).c_str());
        ASSERT_TRUE(bySecond) << std::hex << GetLastError();
        unique = provText(bySecond.get(), PP_UNIQUE_CONTAINER);
        EXPECT_EQ(unique, secondUnique);
    }
    Provider again = openGost(fromUtf8(unique).c_str());
    ASSERT_TRUE(again) << std::hex << GetLastError();
    Key key = exchangeKey(again);
    EXPECT_EQ(keyCertificate(key.get()), fileBytes(second + "/exchange/certificate.der"));
    EXPECT_NE(keyCertificate(exchangeKey(byListed).get()), keyCertificate(key.get()));
}

TEST_F(ContainerOpening, WithoutANameTheContainerNamedAfterTheUserOpens)
{
    environment.set("USER", "ivanov");
    HCRYPTPROV handle = 0;
    EXPECT_FALSE(CryptAcquireContextW(&handle, nullptr, kGostProvider, kGostType, 0));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEYSET));
    createContainer(localKeys(), "ivanov");
    Provider provider = openGost(nullptr);
    ASSERT_TRUE(provider) << std::hex << GetLastError();
    EXPECT_EQ(provText(provider.get(), PP_UNIQUE_CONTAINER), "\\\\.\\LOCAL\\ivanov");
}

TEST_F(ContainerOpening, AContainerNotThereIsNoKeyset)
{
    createContainer(localKeys(), "present");
    HCRYPTPROV handle = 0;
    EXPECT_FALSE(CryptAcquireContextW(&handle, L"absent", kGostProvider, kGostType, 0));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEYSET));
    EXPECT_FALSE(CryptAcquireContextW(&handle, L"\\\\.\\LOCAL\\absent", kGostProvider, kGostType, 0));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEYSET));
    EXPECT_FALSE(CryptAcquireContextW(&handle, L"\\\\.\\NOREADER\\present", kGostProvider, kGostType, 0));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEYSET));
}

TEST_F(ContainerOpening, AMediumRemovedAfterTheSearchLeavesNoKeyset)
{
    createContainer(medium("usb"), "on the stick");
    {
        Provider search = openVerify();
        ASSERT_EQ(listContainers(search.get()), std::vector<std::string>{"on the stick"});
    }
    removeMedium("usb");
    HCRYPTPROV handle = 0;
    EXPECT_FALSE(CryptAcquireContextW(&handle, L"on the stick", kGostProvider, kGostType, 0));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEYSET));
}

TEST_F(ContainerOpening, AVerifyContextHasNoContainer)
{
    createContainer(localKeys(), "some");
    Provider provider = openVerify();
    ASSERT_TRUE(provider);
    DWORD size = 0;
    EXPECT_FALSE(CryptGetProvParam(provider.get(), PP_UNIQUE_CONTAINER, nullptr, &size, 1));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEYSET));
    HCRYPTKEY key = 0;
    EXPECT_FALSE(CryptGetUserKey(provider.get(), AT_KEYEXCHANGE, &key));
    EXPECT_EQ(GetLastError(), code(NTE_NO_KEY));
}

TEST_F(ContainerOpening, AVerifyContextTakesNoContainerName)
{
    createContainer(localKeys(), "some");
    HCRYPTPROV handle = 0;
    EXPECT_FALSE(CryptAcquireContextW(&handle, L"some", kGostProvider, kGostType, CRYPT_VERIFYCONTEXT));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_KEYSET_PARAM));
}

TEST_F(ContainerOpening, FlagsThatCreateOrDeleteContainersAreRefused)
{
    createContainer(localKeys(), "some");
    for (DWORD flags : {static_cast<DWORD>(CRYPT_NEWKEYSET), static_cast<DWORD>(CRYPT_DELETEKEYSET),
                        static_cast<DWORD>(CRYPT_MACHINE_KEYSET), 0x80u, 0x10000000u}) {
        HCRYPTPROV handle = 0;
        EXPECT_FALSE(CryptAcquireContextW(&handle, L"some", kGostProvider, kGostType, flags)) << flags;
        EXPECT_EQ(GetLastError(), code(NTE_BAD_FLAGS)) << flags;
    }
}

TEST_F(ContainerOpening, SilentContextsAreOrdinaryOnes)
{
    createContainer(localKeys(), "some");
    EXPECT_TRUE(openGost(L"some", CRYPT_SILENT));
    EXPECT_TRUE(openGost(nullptr, CRYPT_VERIFYCONTEXT | CRYPT_SILENT));
}

TEST_F(ContainerOpening, TheContextReadsItsProviderAndContainer)
{
    createContainer(localKeys(), utf8(L"Контейнер"));
    Provider provider = openGost(L"Контейнер");
    ASSERT_TRUE(provider);
    EXPECT_EQ(fromUtf8(provText(provider.get(), PP_NAME)), kGostProvider);
    EXPECT_EQ(fromUtf8(provText(provider.get(), PP_CONTAINER)), L"Контейнер");
    EXPECT_EQ(fromUtf8(provText(provider.get(), PP_UNIQUE_CONTAINER)), kUniquePrefix + L"LOCAL\\Контейнер");
    const Bytes type = provParam(provider.get(), PP_PROVTYPE);
    ASSERT_EQ(type.size(), sizeof(DWORD));
    DWORD value = 0;
    std::memcpy(&value, type.data(), sizeof value);
    EXPECT_EQ(value, kGostType);
}

TEST_F(ContainerOpening, SingleValuesTakeFlagsZeroOrOneOnly)
{
    createContainer(localKeys(), "some");
    Provider provider = openGost(L"some");
    for (DWORD param : {PP_NAME, PP_UNIQUE_CONTAINER, PP_PROVTYPE}) {
        EXPECT_FALSE(provParam(provider.get(), param, 0).empty()) << param;
        EXPECT_FALSE(provParam(provider.get(), param, 1).empty()) << param;
        DWORD size = 0;
        EXPECT_FALSE(CryptGetProvParam(provider.get(), param, nullptr, &size, CRYPT_NEXT)) << param;
        EXPECT_EQ(GetLastError(), code(NTE_BAD_FLAGS)) << param;
    }
}

TEST_F(ContainerOpening, AShortBufferForAValueGetsItsSize)
{
    createContainer(localKeys(), "some");
    Provider provider = openGost(L"some");
    char buffer[4];
    DWORD size = sizeof buffer;
    EXPECT_FALSE(CryptGetProvParam(provider.get(), PP_UNIQUE_CONTAINER, reinterpret_cast<BYTE *>(buffer), &size, 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MORE_DATA));
    EXPECT_EQ(size, std::string("\\\\.\\LOCAL\\some").size() + 1);
}

TEST_F(ContainerOpening, UnknownParametersAreRefused)
{
    Provider provider = openVerify();
    DWORD size = 0;
    EXPECT_FALSE(CryptGetProvParam(provider.get(), 1 /* PP_ENUMALGS */, nullptr, &size, CRYPT_FIRST));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_TYPE));
}

TEST_F(ContainerOpening, AReleasedContextIsNoLongerAHandle)
{
    Provider provider = openVerify();
    const HCRYPTPROV handle = provider.release();
    ASSERT_TRUE(CryptReleaseContext(handle, 0));
    DWORD size = 0;
    EXPECT_FALSE(CryptGetProvParam(handle, PP_NAME, nullptr, &size, 0));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_UID));
    EXPECT_FALSE(CryptReleaseContext(handle, 0));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_UID));
}

TEST_F(ContainerOpening, ReleasingWithFlagsReleasesAndSaysTheFlagsAreWrong)
{
    Provider provider = openVerify();
    const HCRYPTPROV handle = provider.release();
    EXPECT_FALSE(CryptReleaseContext(handle, 1));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_FLAGS));
    DWORD size = 0;
    EXPECT_FALSE(CryptGetProvParam(handle, PP_NAME, nullptr, &size, 0));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_UID));
}

TEST_F(ContainerOpening, AKeyHandleIsNoProviderHandle)
{
    createContainer(localKeys(), "some");
    Provider provider = openGost(L"some");
    Key key = exchangeKey(provider);
    ASSERT_TRUE(key);
    DWORD size = 0;
    EXPECT_FALSE(CryptGetProvParam(key.get(), PP_NAME, nullptr, &size, 0));
    EXPECT_EQ(GetLastError(), code(NTE_BAD_UID));
}

TEST_F(ContainerOpening, ATokenRemovedAfterTheSearchOrOpeningLeavesNoKeyset)
{
    SoftTokens tokens(environment);
    tokens.make("Card");
    tokens.put("Card", testsupport::makeCertificate({}), "01", "mine");
    inChild([&] {
        Provider opened = openGost(L"mine");
        ASSERT_TRUE(opened) << std::hex << GetLastError();
        tokens.remove("Card");
        HCRYPTPROV handle = 0;
        EXPECT_FALSE(CryptAcquireContextW(&handle, L"mine", kGostProvider, kGostType, 0));
        EXPECT_EQ(GetLastError(), code(NTE_BAD_KEYSET));
        HCRYPTKEY key = 0;
        EXPECT_FALSE(CryptGetUserKey(opened.get(), AT_KEYEXCHANGE, &key));
        EXPECT_EQ(GetLastError(), code(NTE_BAD_KEYSET));
    });
}
