// The target store: proposed by Crypto.cfg, picked in the store list, or a store file
// chosen through "Из файла...".
#include "mainwindowtest.h"

#include "crypto/storecatalog.h"

#include <wx/filedlg.h>

using namespace apptest;

namespace {

const wchar_t kFromFile[] = L"Из файла...";
const wchar_t kRootTitle[] = L"Доверенные корневые центры сертификации";

class StoreChoice : public MainWindowTest {
protected:
    MainWindow *windowWithContainer()
    {
        makeLocalContainer(L"Ключ", L"Сидоров Сидор");
        MainWindow *window = openWindow();
        pick(window->containerCombo(), L"Ключ");
        return window;
    }

    void install(MainWindow *window)
    {
        click(window->installButton());
        ASSERT_EQ(guitest::dialogs().messageBoxes().size(), 1u);
        EXPECT_EQ(guitest::dialogs().messageBoxes()[0].caption, wxString(L"Результат установки сертификата"));
        guitest::dialogs().reset();
    }
};

TEST_F(StoreChoice, ListsTheTitlesOfTheSystemStoresThenTheFileEntry)
{
    MainWindow *window = openWindow();

    std::vector<wxString> expected;
    for (const std::wstring &name : enumSystemStores())
        expected.push_back(storeTitle(name));
    expected.push_back(kFromFile);
    EXPECT_EQ(itemsOf(window->storeCombo()), expected);
    EXPECT_NE(std::find(expected.begin(), expected.end(), wxString(L"Личные")), expected.end());
}

TEST_F(StoreChoice, TheTickEnablesTheListAndClearingItKeepsTheChosenStore)
{
    MainWindow *window = windowWithContainer();

    setTick(window->chooseStoreCheck(), true);
    EXPECT_TRUE(window->storeCombo()->IsEnabled());
    pick(window->storeCombo(), kRootTitle);
    setTick(window->chooseStoreCheck(), false);

    EXPECT_FALSE(window->storeCombo()->IsEnabled());
    EXPECT_EQ(window->storeCombo()->GetValue(), wxString(kRootTitle));
    install(window);
    EXPECT_EQ(systemStore(L"Root").size(), 1u);
    EXPECT_TRUE(systemStore(L"My").empty());
}

TEST_F(StoreChoice, AStoreTheCatalogueDoesNotKnowIsUsedByItsListedNameHoweverLong)
{
    // A store of the user's own, with a name longer than the window is wide: the list must
    // not push the buttons beside it out (GTK warns of a negative width, which fails the test).
    const std::wstring name = L"Сертификаты партнёров отдела закупок и сбыта за все прошедшие годы";
    CertCloseStore(CertOpenSystemStoreW(0, name.c_str()), 0);
    ASSERT_EQ(storeTitle(name), name);
    MainWindow *window = windowWithContainer();
    setTick(window->chooseStoreCheck(), true);

    pick(window->storeCombo(), name);
    install(window);

    EXPECT_EQ(systemStore(name).size(), 1u);
}

TEST_F(StoreChoice, FromFileAsksForAStoreFile)
{
    MainWindow *window = windowWithContainer();
    setTick(window->chooseStoreCheck(), true);
    wxString wildcard;
    long style = 0;
    guitest::dialogs().onEnter([&](wxDialog &dialog) {
        if (auto *files = dynamic_cast<wxFileDialog *>(&dialog)) {
            wildcard = files->GetWildcard();
            style = files->GetWindowStyle();
        }
    });
    guitest::dialogs().queueAnswer(wxID_CANCEL);

    pick(window->storeCombo(), kFromFile);

    const auto records = guitest::dialogs().records();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_FALSE(records[0].messageBox);
    EXPECT_EQ(records[0].message, wxString(L"Выберите файл хранилища"));
    EXPECT_EQ(records[0].parent, window);
    EXPECT_EQ(wildcard, wxString(L"SST (*.sst)|*.sst|All files (*.*)|*.*"));
    EXPECT_TRUE(style & wxFD_OPEN);
}

TEST_F(StoreChoice, AConfirmedFileBecomesTheTarget)
{
    MainWindow *window = windowWithContainer();
    setTick(window->chooseStoreCheck(), true);
    window->fileToChoose = wide(path("chosen.sst"));
    guitest::dialogs().queueAnswer(wxID_OK);

    pick(window->storeCombo(), kFromFile);
    guitest::dialogs().reset();

    // Listed by its path, above the entry that chooses another.
    const std::vector<wxString> items = itemsOf(window->storeCombo());
    EXPECT_EQ(window->storeCombo()->GetValue(), wxString(wide(path("chosen.sst"))));
    EXPECT_EQ(items.end()[-2], wxString(wide(path("chosen.sst"))));
    EXPECT_EQ(items.back(), wxString(kFromFile));
    install(window);
    EXPECT_EQ(storeFile(path("chosen.sst")).size(), 1u);
    EXPECT_TRUE(systemStore(L"My").empty());
}

TEST_F(StoreChoice, TheChosenFilesEntryMakesItTheTargetAgain)
{
    MainWindow *window = windowWithContainer();
    setTick(window->chooseStoreCheck(), true);
    window->fileToChoose = wide(path("chosen.sst"));
    guitest::dialogs().queueAnswer(wxID_OK);
    pick(window->storeCombo(), kFromFile);
    pick(window->storeCombo(), kRootTitle);

    pick(window->storeCombo(), wide(path("chosen.sst")));
    guitest::dialogs().reset();

    install(window);
    EXPECT_EQ(storeFile(path("chosen.sst")).size(), 1u);
    EXPECT_TRUE(systemStore(L"Root").empty());
}

TEST_F(StoreChoice, ACancelledFileDialogShowsAndKeepsTheStoreChosenBefore)
{
    MainWindow *window = windowWithContainer();
    setTick(window->chooseStoreCheck(), true);
    pick(window->storeCombo(), kRootTitle);
    guitest::dialogs().queueAnswer(wxID_CANCEL);

    pick(window->storeCombo(), kFromFile);
    guitest::dialogs().reset();

    EXPECT_EQ(window->storeCombo()->GetValue(), wxString(kRootTitle));
    install(window);
    EXPECT_EQ(systemStore(L"Root").size(), 1u);
}

TEST_F(StoreChoice, ACancelledFileDialogKeepsAFileChosenBefore)
{
    MainWindow *window = windowWithContainer();
    setTick(window->chooseStoreCheck(), true);
    window->fileToChoose = wide(path("first.sst"));
    guitest::dialogs().queueAnswer(wxID_OK);
    pick(window->storeCombo(), kFromFile);
    window->fileToChoose = wide(path("second.sst"));
    guitest::dialogs().queueAnswer(wxID_CANCEL);

    pick(window->storeCombo(), kFromFile);
    guitest::dialogs().reset();

    EXPECT_EQ(window->storeCombo()->GetValue(), wxString(wide(path("first.sst"))));
    install(window);
    EXPECT_EQ(storeFile(path("first.sst")).size(), 1u);
}

TEST_F(StoreChoice, ACancelledFileDialogShowsNoStoreWhenNoneWasChosen)
{
    writeCryptoConfig("MSCAPI.CertKeyStore.Name=Nowhere\n");
    MainWindow *window = windowWithContainer();
    setTick(window->chooseStoreCheck(), true);
    guitest::dialogs().queueAnswer(wxID_CANCEL);

    pick(window->storeCombo(), kFromFile);

    EXPECT_EQ(window->storeCombo()->GetSelection(), wxNOT_FOUND);
}

// Crypto.cfg, as found in the user's configuration folder.

TEST_F(StoreChoice, ConfigurationWithAStoreNameProposesThatStore)
{
    writeCryptoConfig("MSCAPI.CertKeyStore.Type=System\nMSCAPI.CertKeyStore.Name=Root\n");
    MainWindow *window = windowWithContainer();

    EXPECT_EQ(window->storeCombo()->GetValue(), wxString(kRootTitle));
    install(window);
    EXPECT_EQ(systemStore(L"Root").size(), 1u);
}

TEST_F(StoreChoice, ConfigurationNamingATitleUsesItAsWrittenUntilTheEntryIsPicked)
{
    writeCryptoConfig("MSCAPI.CertKeyStore.Name=Личные\n");
    MainWindow *window = windowWithContainer();
    EXPECT_EQ(window->storeCombo()->GetValue(), wxString(L"Личные"));

    install(window);
    // The platform keeps a store of that very name, apart from "My".
    EXPECT_EQ(systemStore(L"Личные").size(), 1u);
    EXPECT_TRUE(systemStore(L"My").empty());

    setTick(window->chooseStoreCheck(), true);
    pick(window->storeCombo(), L"Личные");
    install(window);
    EXPECT_EQ(systemStore(L"My").size(), 1u);
}

TEST_F(StoreChoice, ConfigurationNamingAnUnlistedStoreProposesNone)
{
    writeCryptoConfig("MSCAPI.CertKeyStore.Name=Nowhere\n");
    MainWindow *window = windowWithContainer();

    EXPECT_EQ(window->storeCombo()->GetSelection(), wxNOT_FOUND);
    click(window->installButton());
    // Without a store name there is no store to open.
    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, wxString(L"Ошибка"));
    EXPECT_TRUE(systemStore(L"Nowhere").empty());
}

class FileConfiguration : public StoreChoice, public ::testing::WithParamInterface<const char *> {};

TEST_P(FileConfiguration, MakesTheConfiguredFileTheTarget)
{
    writeCryptoConfig(std::string("MSCAPI.CertKeyStore.Type=") + GetParam() +
                      "\nMSCAPI.CertKeyStore.Name=" + path("configured.sst") + "\n");
    MainWindow *window = windowWithContainer();

    EXPECT_EQ(window->storeCombo()->GetValue(), wxString(wide(path("configured.sst"))));
    install(window);
    EXPECT_EQ(storeFile(path("configured.sst")).size(), 1u);
    EXPECT_TRUE(systemStore(L"My").empty());
}

INSTANTIATE_TEST_SUITE_P(TypeSpelledEitherWay, FileConfiguration, ::testing::Values("File", "file"));

TEST_F(StoreChoice, ConfigurationTypeInOtherCaseIsASystemStore)
{
    writeCryptoConfig("MSCAPI.CertKeyStore.Type=FILE\nMSCAPI.CertKeyStore.Name=Root\n");
    MainWindow *window = windowWithContainer();

    EXPECT_EQ(window->storeCombo()->GetValue(), wxString(kRootTitle));
    install(window);
    EXPECT_EQ(systemStore(L"Root").size(), 1u);
}

} // namespace
