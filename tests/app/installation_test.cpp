// "Установить": the container's certificate goes into the target store with the link to
// its key.
#include "mainwindowtest.h"

#include "certfactory.h"
#include "keymedia.h"

#include "crypto/cryptexception.h"
#include "crypto/provider.h"

#include <filesystem>
#include <fstream>

using namespace apptest;

namespace {

const wchar_t kResultCaption[] = L"Результат установки сертификата";

// The key link set on a certificate, as plain values.
struct KeyLink {
    std::wstring container, provider;
    DWORD type = 0, flags = 0, keySpec = 0, parameters = 0;
};

KeyLink keyLinkOf(const crypto::CryptoCertificate &certificate)
{
    const std::vector<BYTE> bytes = certificate.getProperty(CERT_KEY_PROV_INFO_PROP_ID);
    KeyLink link;
    if (bytes.size() < sizeof(CRYPT_KEY_PROV_INFO)) {
        ADD_FAILURE() << "the certificate has no key link";
        return link;
    }
    const auto *info = reinterpret_cast<const CRYPT_KEY_PROV_INFO *>(bytes.data());
    link.container = info->pwszContainerName ? info->pwszContainerName : L"";
    link.provider = info->pwszProvName ? info->pwszProvName : L"";
    link.type = info->dwProvType;
    link.flags = info->dwFlags;
    link.keySpec = info->dwKeySpec;
    link.parameters = info->cProvParam;
    return link;
}

class Installation : public MainWindowTest {
protected:
    // The window with the GOST container "Ключ" of Сидоров Сидор chosen.
    MainWindow *windowWithContainer()
    {
        makeLocalContainer(L"Ключ", L"Сидоров Сидор");
        MainWindow *window = openWindow();
        pick(window->containerCombo(), L"Ключ");
        return window;
    }

    // A valid store file without certificates, written by a forced commit.
    std::string emptyStoreFile()
    {
        const std::string file = path("empty.sst");
        HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_FILENAME_W, X509_ASN_ENCODING, 0,
                                         CERT_FILE_STORE_COMMIT_ENABLE_FLAG, wide(file).c_str());
        EXPECT_NE(store, nullptr);
        EXPECT_TRUE(CertControlStore(store, CERT_STORE_CTRL_COMMIT_FORCE_FLAG, CERT_STORE_CTRL_COMMIT, nullptr));
        if (store)
            CertCloseStore(store, 0);
        return file;
    }

    // Makes the target a store file through "Из файла...".
    void chooseStoreFile(MainWindow *window, const std::string &file)
    {
        setTick(window->chooseStoreCheck(), true);
        window->fileToChoose = wide(file);
        guitest::dialogs().queueAnswer(wxID_OK);
        pick(window->storeCombo(), L"Из файла...");
        guitest::dialogs().reset();
    }
};

TEST_F(Installation, ReportsTheInstalledCertificateByName)
{
    MainWindow *window = windowWithContainer();

    click(window->installButton());

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].message, wxString(L"Сертификат 'Сидоров Сидор' установлен!\nХранилище: Личные"));
    EXPECT_EQ(boxes[0].caption, wxString(kResultCaption));
    EXPECT_EQ(boxes[0].style, wxOK | wxICON_INFORMATION);
    EXPECT_EQ(boxes[0].parent, window);
}

TEST_F(Installation, WithoutConfigurationGoesIntoThePersonalStore)
{
    MainWindow *window = windowWithContainer();
    EXPECT_EQ(window->storeCombo()->GetValue(), wxString(L"Личные"));

    click(window->installButton());

    ASSERT_EQ(systemStore(L"My").size(), 1u);
    EXPECT_EQ(systemStore(L"My")[0].simpleDisplayName(), L"Сидоров Сидор");
}

TEST_F(Installation, TwiceIntoASystemStoreLeavesOneCopy)
{
    MainWindow *window = windowWithContainer();

    click(window->installButton());
    click(window->installButton());

    EXPECT_EQ(systemStore(L"My").size(), 1u);
    EXPECT_EQ(guitest::dialogs().messageBoxes().size(), 2u);
    EXPECT_TRUE(window->installButton()->IsEnabled());
}

TEST_F(Installation, TwiceIntoAStoreFileLeavesOneCopy)
{
    MainWindow *window = windowWithContainer();
    chooseStoreFile(window, path("target.sst"));

    click(window->installButton());
    click(window->installButton());

    EXPECT_EQ(storeFile(path("target.sst")).size(), 1u);
    EXPECT_TRUE(systemStore(L"My").empty());
}

TEST_F(Installation, TheKeyLinkNamesTheUniqueContainerNameAndTheProvider)
{
    MainWindow *window = windowWithContainer();
    chooseStoreFile(window, path("target.sst"));

    click(window->installButton());

    const auto installed = storeFile(path("target.sst"));
    ASSERT_EQ(installed.size(), 1u);
    const KeyLink link = keyLinkOf(installed[0]);
    const std::wstring unique = uniqueNameOf(L"Ключ");
    EXPECT_NE(unique, L"Ключ"); // else this test could not tell the two apart
    EXPECT_EQ(link.container, unique);
    EXPECT_EQ(link.provider, kGostProvider);
    EXPECT_EQ(link.type, 75u);
    EXPECT_EQ(link.keySpec, static_cast<DWORD>(AT_KEYEXCHANGE));
    EXPECT_EQ(link.flags, 0u);
    EXPECT_EQ(link.parameters, 0u);
}

// A certificate on a token (a SoftHSM one here) is a container like a folder's: listed,
// installed, its key link naming the token's unique name.
TEST_F(Installation, ACertificateOnATokenIsInstalledWithItsKeyLink)
{
    keymediatest::ScopedEnvironment environment;
    keymediatest::SoftTokens tokens(environment);
    tokens.make("Рутокен");
    tokens.put("Рутокен", testsupport::makeCertificate({}), "01", "Сидоров");
    MainWindow *window = openWindow();
    pick(window->containerCombo(), L"Сидоров");

    click(window->installButton());

    const auto installed = systemStore(L"My");
    ASSERT_EQ(installed.size(), 1u);
    EXPECT_EQ(keyLinkOf(installed[0]).container, L"\\\\.\\TOKEN-Рутокен\\Сидоров");
    EXPECT_EQ(keyLinkOf(installed[0]).provider, kGostProvider);
}

TEST_F(Installation, TheLinkedKeyOpensThroughTheInstalledCertificate)
{
    MainWindow *window = windowWithContainer();
    chooseStoreFile(window, path("target.sst"));
    click(window->installButton());

    const KeyLink link = keyLinkOf(storeFile(path("target.sst")).at(0));
    // What a program that finds the certificate does to reach its key.
    EXPECT_NO_THROW(crypto::CryptoProvider(link.provider, link.container, link.type, 0));
}

TEST_F(Installation, AStoreFileHoldsTheCertificateWhenSuccessIsReported)
{
    MainWindow *window = windowWithContainer();
    chooseStoreFile(window, path("target.sst"));
    size_t inFileWhenReported = 0;
    guitest::dialogs().onEnter([&](wxDialog &) { inFileWhenReported = storeFile(path("target.sst")).size(); });

    click(window->installButton());

    ASSERT_EQ(guitest::dialogs().messageBoxes().size(), 1u);
    EXPECT_EQ(guitest::dialogs().messageBoxes()[0].caption, wxString(kResultCaption));
    EXPECT_TRUE(guitest::dialogs().messageBoxes()[0].message.EndsWith(L"\nХранилище: " + wide(path("target.sst"))));
    EXPECT_EQ(inFileWhenReported, 1u);
}

TEST_F(Installation, AStoreFileThatCannotBeWrittenIsReportedInsteadOfSuccess)
{
    // A store file whose name leaves no room for the file written beside it to replace it
    // whole: it opens, but writing it fails.
    const std::string file = path(std::string(250, 'x') + ".sst");
    std::filesystem::copy_file(emptyStoreFile(), file);
    MainWindow *window = windowWithContainer();
    chooseStoreFile(window, file);

    click(window->installButton());

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, wxString(L"Ошибка"));
    EXPECT_TRUE(boxes[0].message.StartsWith(L"Не удалось установить сертификат в хранилище «" + wxString(file) +
                                            L"».\n\n"))
        << boxes[0].message;
    EXPECT_GT(boxes[0].message.size(), file.size() + 50) << "and why";
    EXPECT_EQ(boxes[0].style, wxOK | wxICON_INFORMATION);
    EXPECT_TRUE(storeFile(file).empty());
}

TEST_F(Installation, ARemovedMediumIsReportedAndNothingIsInstalled)
{
    makeContainerOnMedium("stick", L"На носителе", L"Владелец носителя");
    MainWindow *window = openWindow();
    pick(window->containerCombo(), L"На носителе");
    removeMedium("stick");

    click(window->installButton());

    // The text is the system's, as opening the container now gives it.
    std::wstring expected;
    try {
        crypto::CryptoProvider(kGostProvider, L"На носителе", 75, 0);
    } catch (const crypto::CryptException &e) {
        expected = e.message();
    }
    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, wxString(L"Ошибка"));
    EXPECT_FALSE(expected.empty());
    EXPECT_EQ(boxes[0].message, wxString(expected));
    EXPECT_EQ(boxes[0].parent, window);
    EXPECT_TRUE(systemStore(L"My").empty());
    // The choice stays as it was.
    EXPECT_EQ(window->containerCombo()->GetStringSelection(), wxString(L"На носителе"));
    EXPECT_TRUE(window->installButton()->IsEnabled());
}

} // namespace
