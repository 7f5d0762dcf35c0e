// The store editor window: its tools and their states, the first store's page, the
// store menu's ids, closing pages and closing the window.
#include "storeeditor.h"

#include "crypto/cryptexception.h"
#include "crypto/storecatalog.h"

#include "certfactory.h"
#include "guitest.h"
#include "storefixtures.h"

#include <boost/weak_ptr.hpp>

#include <wx/weakref.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

namespace {

using Tool = wxStoreViewEx::ToolId;

const int kToolsNeedingAPage[] = {Tool::ID_COPY,   Tool::ID_DELETE, Tool::ID_REFRESH,
                                  Tool::ID_IMPORT, Tool::ID_EXPORT, Tool::ID_CERT_SHOW};

// Records which handler each command reached.
class RecordingEditor : public StoreEditor {
public:
    using StoreEditor::StoreEditor;
    std::vector<std::string> reached;
    std::vector<int> storeMenuIds;

protected:
    void OnNew(wxCommandEvent &) override { reached.push_back("New"); }
    void OnCopy(wxCommandEvent &) override { reached.push_back("Copy"); }
    void OnPaste(wxCommandEvent &) override { reached.push_back("Paste"); }
    void OnDelete(wxCommandEvent &) override { reached.push_back("Delete"); }
    void OnRefresh(wxCommandEvent &) override { reached.push_back("Refresh"); }
    void OnImport(wxCommandEvent &) override { reached.push_back("Import"); }
    void OnExport(wxCommandEvent &) override { reached.push_back("Export"); }
    void OnCertShow(wxCommandEvent &) override { reached.push_back("CertShow"); }
    void OnStoreMenu(wxCommandEvent &event) override { storeMenuIds.push_back(event.GetId()); }
};

bool sendCommand(wxWindow *window, int id)
{
    wxCommandEvent event(wxEVT_COMMAND_MENU_SELECTED, id);
    event.SetEventObject(window);
    return window->GetEventHandler()->ProcessEvent(event);
}

wxImage toolPicture(const StoreEditor &editor, int id)
{
    return editor.m_toolBar->FindById(id)->GetNormalBitmap().ConvertToImage();
}

bool samePicture(const wxImage &a, const wxImage &b)
{
    return a.GetSize() == b.GetSize() &&
           std::equal(a.GetData(), a.GetData() + a.GetWidth() * a.GetHeight() * 3, b.GetData());
}

// Answers the store menu in place of a user: records its entries, then chooses `pick`
// (none: the menu is dismissed). A confirmed file dialog answers `path`.
class MenuEditor : public StoreEditor {
public:
    using StoreEditor::StoreEditor;
    struct Entry {
        int id;
        wxString text;
        bool separator;
    };
    std::vector<Entry> entries;
    int pick = wxID_NONE;
    std::wstring path;

protected:
    void popUpStoreMenu(wxMenu &menu) override
    {
        for (const wxMenuItem *item : menu.GetMenuItems())
            entries.push_back({item->GetId(), item->GetItemLabel(), item->IsSeparator()});
        if (pick != wxID_NONE)
            command(pick);
    }
    std::wstring chosenPath(const wxFileDialog &) const override { return path; }
};

// A middle click on the tab of `page`, as the notebook's tab strip reports it. (Not by
// the mouse: tests running side by side share the display and its pointer.)
void middleClickTab(wxAuiNotebook &notebook, wxWindow *page)
{
    for (wxWindow *child : notebook.GetChildren()) {
        auto *tabs = dynamic_cast<wxAuiTabCtrl *>(child);
        if (!tabs || tabs->GetIdxFromWindow(page) == wxNOT_FOUND)
            continue;
        wxAuiNotebookEvent click(wxEVT_AUINOTEBOOK_TAB_MIDDLE_UP, tabs->GetId());
        click.SetSelection(tabs->GetIdxFromWindow(page));
        click.SetEventObject(tabs);
        tabs->GetEventHandler()->ProcessEvent(click);
        guitest::processEvents();
        return;
    }
    ADD_FAILURE() << "no tab shows the page";
}

class StoreEditorWindow : public storetest::EditorTest {};

// --- The window and its tools ---------------------------------------------------------

TEST_F(StoreEditorWindow, OpensAsAParentlessWindowWithItsTitle)
{
    auto *editor = new StoreEditor(L"", false);

    EXPECT_EQ(editor->GetTitle(), wxString(L"Редактор хранилища сертификатов"));
    EXPECT_EQ(editor->GetParent(), nullptr);
    EXPECT_FALSE(editor->IsShown());
}

TEST_F(StoreEditorWindow, OpensAtLeast652By375AndAsLargeAsItsContentNeeds)
{
    auto *editor = new StoreEditor(L"", false);
    editor->Show();
    guitest::processEvents();

    const wxSize size = editor->GetSize();
    EXPECT_GE(size.x, 652);
    EXPECT_GE(size.y, 375);
    EXPECT_GE(size.x, editor->GetBestSize().x);
    EXPECT_GE(size.y, editor->GetBestSize().y);
}

TEST_F(StoreEditorWindow, ShowsEveryToolOnTheBarRatherThanInAnOverflowMenu)
{
    auto *editor = new StoreEditor(L"My", false);
    editor->Show();
    guitest::processEvents();

    EXPECT_GE(editor->m_toolBar->GetSize().x, editor->m_toolBar->GetBestSize().x);
}

TEST_F(StoreEditorWindow, LabelsEveryToolInRussianButNew)
{
    auto *editor = new StoreEditor(L"", false);

    const auto label = [&](int id) { return editor->m_toolBar->FindById(id)->GetLabel(); };
    EXPECT_EQ(label(Tool::ID_NEW), wxString(L"New"));
    EXPECT_EQ(label(Tool::ID_COPY), wxString(L"Копировать"));
    EXPECT_EQ(label(Tool::ID_PASTE), wxString(L"Вставить"));
    EXPECT_EQ(label(Tool::ID_DELETE), wxString(L"Удалить"));
    EXPECT_EQ(label(Tool::ID_REFRESH), wxString(L"Обновить"));
    EXPECT_EQ(label(Tool::ID_IMPORT), wxString(L"Импорт"));
    EXPECT_EQ(label(Tool::ID_EXPORT), wxString(L"Экспорт"));
    EXPECT_EQ(label(Tool::ID_CERT_SHOW), wxString(L"Просмотр"));
}

TEST_F(StoreEditorWindow, PutsTheFilterBoxBetweenDeleteAndRefresh)
{
    auto *editor = new StoreEditor(L"", false);
    wxToolBar *bar = editor->m_toolBar;

    const int order[] = {Tool::ID_NEW, Tool::ID_COPY, Tool::ID_PASTE, Tool::ID_DELETE};
    for (int place = 0; place < 4; ++place)
        EXPECT_EQ(bar->GetToolPos(order[place]), place);
    const wxToolBarToolBase *filter = bar->GetToolByPos(4);
    ASSERT_TRUE(filter && filter->IsControl());
    EXPECT_EQ(filter->GetControl(), editor->m_searchCtrl);
    EXPECT_EQ(bar->GetToolPos(Tool::ID_REFRESH), 5);
    EXPECT_EQ(bar->GetToolPos(Tool::ID_IMPORT), 6);
    EXPECT_EQ(bar->GetToolPos(Tool::ID_EXPORT), 7);
    EXPECT_EQ(bar->GetToolPos(Tool::ID_CERT_SHOW), 8);
}

TEST_F(StoreEditorWindow, GivesTheToolBarItsFullHeight)
{
    auto *editor = new StoreEditor(L"", false);
    editor->Show();
    guitest::processEvents();

    EXPECT_GE(editor->m_toolBar->GetSize().y, editor->m_toolBar->GetBestSize().y);
}

TEST_F(StoreEditorWindow, MakesTheFilterBoxWideEnoughForItsHint)
{
    auto *editor = new StoreEditor(L"", false);
    editor->Show();
    guitest::processEvents();

    EXPECT_GT(editor->m_searchCtrl->GetSize().x, editor->m_searchCtrl->GetTextExtent(L"Фильтр").x + 40);
}

TEST_F(StoreEditorWindow, ShowsTheFilterHintWhileTheBoxReadsEmpty)
{
    auto *editor = new StoreEditor(L"", false);

    EXPECT_EQ(editor->m_searchCtrl->GetDescriptiveText(), wxString(L"Фильтр"));
    EXPECT_EQ(editor->m_searchCtrl->GetValue(), wxString());
}

TEST_F(StoreEditorWindow, ShowsTheSamePictureOnRefreshAndImport)
{
    auto *editor = new StoreEditor(L"", false);

    EXPECT_TRUE(samePicture(toolPicture(*editor, Tool::ID_REFRESH), toolPicture(*editor, Tool::ID_IMPORT)));
    EXPECT_FALSE(samePicture(toolPicture(*editor, Tool::ID_IMPORT), toolPicture(*editor, Tool::ID_CERT_SHOW)));
    EXPECT_EQ(toolPicture(*editor, Tool::ID_NEW).GetSize(), wxSize(15, 15));
    EXPECT_EQ(toolPicture(*editor, Tool::ID_COPY).GetSize(), wxSize(16, 15));
}

TEST_F(StoreEditorWindow, SendsEachToolToItsOwnHandler)
{
    auto *editor = new RecordingEditor(L"", false);

    for (int id = Tool::ID_NEW; id <= Tool::ID_EXPORT; ++id)
        sendCommand(editor->m_toolBar, id);

    EXPECT_EQ(editor->reached, (std::vector<std::string>{"New", "Copy", "Paste", "Delete", "Refresh", "Import",
                                                         "CertShow", "Export"}));
}

// --- Tool states ----------------------------------------------------------------------

TEST_F(StoreEditorWindow, WithoutAStoreLeavesOnlyNewEnabled)
{
    auto *editor = new StoreEditor(L"", false);

    EXPECT_EQ(editor->m_notebook->GetPageCount(), 0u);
    EXPECT_TRUE(editor->toolEnabled(Tool::ID_NEW));
    for (int id : kToolsNeedingAPage)
        EXPECT_FALSE(editor->toolEnabled(id)) << id;
    EXPECT_FALSE(editor->toolEnabled(Tool::ID_PASTE));
    EXPECT_FALSE(editor->m_searchCtrl->IsEnabled());
}

TEST_F(StoreEditorWindow, WithAStoreEnablesTheFilterAndEveryToolButPaste)
{
    auto *editor = new StoreEditor(L"My", false);

    EXPECT_TRUE(editor->toolEnabled(Tool::ID_NEW));
    for (int id : kToolsNeedingAPage)
        EXPECT_TRUE(editor->toolEnabled(id)) << id;
    EXPECT_FALSE(editor->toolEnabled(Tool::ID_PASTE));
    EXPECT_TRUE(editor->m_searchCtrl->IsEnabled());
}

TEST_F(StoreEditorWindow, ClosingTheOnlyPageDisablesTheToolsAgain)
{
    auto *editor = new StoreEditor(L"My", false);

    editor->closePage(0);

    EXPECT_EQ(editor->m_notebook->GetPageCount(), 0u);
    EXPECT_EQ(editor->statusCounts(), L"") << "no page, no counts";
    EXPECT_TRUE(editor->toolEnabled(Tool::ID_NEW));
    for (int id : kToolsNeedingAPage)
        EXPECT_FALSE(editor->toolEnabled(id)) << id;
    EXPECT_FALSE(editor->m_searchCtrl->IsEnabled());
}

TEST_F(StoreEditorWindow, ClosingOneOfTwoPagesKeepsTheToolsEnabled)
{
    auto *editor = new StoreEditor(L"My", false);
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));

    editor->closePage(1);

    for (int id : kToolsNeedingAPage)
        EXPECT_TRUE(editor->toolEnabled(id)) << id;
    EXPECT_TRUE(editor->m_searchCtrl->IsEnabled());
}

TEST_F(StoreEditorWindow, ClosingThePageThatCopyRememberedDisablesPaste)
{
    auto *editor = new StoreEditor(L"My", false);
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    editor->openStorePage(L"CA", false, storeTitle(L"CA"));
    editor->showPage(1);
    editor->command(Tool::ID_COPY);
    ASSERT_TRUE(editor->toolEnabled(Tool::ID_PASTE));
    ASSERT_EQ(editor->m_copySource, editor->m_notebook->GetPage(1));

    editor->closePage(2);
    EXPECT_TRUE(editor->toolEnabled(Tool::ID_PASTE)) << "another page closed";

    editor->closePage(1);
    EXPECT_FALSE(editor->toolEnabled(Tool::ID_PASTE));
    EXPECT_EQ(editor->m_copySource, nullptr);
}

TEST_F(StoreEditorWindow, AMiddleClickClosesATabThatIsNotCurrentAndTheCurrentListStillAnswersDoubleClicks)
{
    auto *editor = new RecordingEditor(L"My", false);
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    editor->openStorePage(L"CA", false, storeTitle(L"CA"));
    editor->Show();
    guitest::processEvents();
    wxWindow *current = editor->currentPage();
    wxWindow *closing = editor->m_notebook->GetPage(1);

    middleClickTab(*editor->m_notebook, closing);

    ASSERT_EQ(editor->m_notebook->GetPageCount(), 2u);
    EXPECT_EQ(editor->m_notebook->GetPageIndex(closing), wxNOT_FOUND);
    EXPECT_EQ(editor->currentPage(), current);
    wxMouseEvent click(wxEVT_LEFT_DCLICK);
    click.SetEventObject(&editor->currentList());
    editor->currentList().GetEventHandler()->ProcessEvent(click);
    EXPECT_EQ(editor->reached, std::vector<std::string>{"CertShow"});
}

// --- Pages ----------------------------------------------------------------------------

TEST_F(StoreEditorWindow, OpensTheGivenSystemStoreAsItsFirstPage)
{
    auto *editor = new StoreEditor(L"My", false);

    ASSERT_EQ(editor->m_notebook->GetPageCount(), 1u);
    EXPECT_EQ(editor->m_notebook->GetPageText(0), wxString(L"Личные"));
    EXPECT_EQ(editor->currentPage(), editor->m_notebook->GetPage(0));
    const auto *record = editor->currentPageData();
    ASSERT_NE(record, nullptr);
    EXPECT_NE(record->store.get(), nullptr);
    EXPECT_EQ(record->filter, L"");
    ASSERT_NE(record->list, nullptr);
    EXPECT_EQ(record->list->GetParent(), editor->currentPage());
    EXPECT_TRUE(record->list->InReportView());
}

// A store the user may not change opens to be read: its tab says so and no tool changes it.
// The tests run as root, whom no folder refuses: a lock that cannot be taken refuses writing.
TEST_F(StoreEditorWindow, OpensAStoreTheUserMayNotChangeReadOnly)
{
    fillSystemStore(L"My", {storetest::certificate("Первый")});
    std::filesystem::remove(home().path() / "stores" / ".My.lock"); // left by the writer above
    std::filesystem::create_directory(home().path() / "stores" / ".My.lock");

    auto *editor = new StoreEditor(L"My", false);
    editor->command(Tool::ID_COPY);

    EXPECT_EQ(editor->m_notebook->GetPageText(0), wxString(L"Личные (только чтение)"));
    EXPECT_EQ(editor->currentList().GetItemCount(), 1);
    for (int tool : {Tool::ID_DELETE, Tool::ID_IMPORT, Tool::ID_PASTE})
        EXPECT_FALSE(editor->toolEnabled(tool)) << tool;
    EXPECT_TRUE(editor->toolEnabled(Tool::ID_EXPORT));
}

TEST_F(StoreEditorWindow, TitlesAStoreFilePageWithTheFullPath)
{
    const std::wstring path = storeFile("Моё хранилище.sst");

    auto *editor = new StoreEditor(path, true);

    ASSERT_EQ(editor->m_notebook->GetPageCount(), 1u);
    EXPECT_EQ(editor->m_notebook->GetPageText(0), wxString(path));
    EXPECT_NE(dynamic_cast<crypto::SerializedStore *>(editor->currentPageData()->store.get()), nullptr);
}

TEST_F(StoreEditorWindow, AddsALaterStoreAsATabToTheRightAndKeepsTheCurrentPage)
{
    auto *editor = new StoreEditor(L"My", false);

    editor->openStorePage(L"Root", false, storeTitle(L"Root"));

    ASSERT_EQ(editor->m_notebook->GetPageCount(), 2u);
    EXPECT_EQ(editor->m_notebook->GetSelection(), 0);
    EXPECT_EQ(editor->m_notebook->GetPageText(1), wxString(storeTitle(L"Root")));
    EXPECT_NE(editor->pageData(1)->store, editor->pageData(0)->store);
}

TEST_F(StoreEditorWindow, FailsToOpenWhenTheFirstStoreCannotBeRead)
{
    std::ofstream(home().file("broken.sst")) << "this is no store file";
    const size_t windowsBefore = wxTopLevelWindows.size();

    EXPECT_THROW(new StoreEditor(storeFile("broken.sst"), true), crypto::CryptException);
    guitest::processEvents();
    EXPECT_EQ(wxTopLevelWindows.size(), windowsBefore);
}

TEST_F(StoreEditorWindow, SendsADoubleClickInAPageListToTheViewCommand)
{
    auto *editor = new RecordingEditor(L"My", false);

    wxMouseEvent click(wxEVT_LEFT_DCLICK);
    click.SetEventObject(editor->currentPageData()->list);
    editor->currentPageData()->list->GetEventHandler()->ProcessEvent(click);

    EXPECT_EQ(editor->reached, std::vector<std::string>{"CertShow"});
}

// --- The store menu -------------------------------------------------------------------

TEST_F(StoreEditorWindow, ReadsTheSystemStoresOnceInThePlatformsOrder)
{
    auto *editor = new StoreEditor(L"", false);

    EXPECT_FALSE(editor->m_storeNames.empty());
    EXPECT_EQ(editor->m_storeNames, enumSystemStores());
}

TEST_F(StoreEditorWindow, AnswersTheFileEntryAndEveryStoreEntryOfTheMenu)
{
    auto *editor = new RecordingEditor(L"", false);
    const int stores = static_cast<int>(editor->m_storeNames.size());

    std::vector<int> sent;
    for (int id = test::StoreViewDialog::ID_STORE_FILE; id <= test::StoreViewDialog::ID_STORE_FIRST + stores; ++id) {
        sendCommand(editor, id);
        sent.push_back(id);
    }

    sent.pop_back(); // one past the last store: no entry of the menu
    EXPECT_EQ(editor->storeMenuIds, sent);
}

TEST_F(StoreEditorWindow, TheStoreMenuOffersTheFileEntryASeparatorAndEverySystemStoreByItsTitle)
{
    auto *editor = new MenuEditor(L"", false);

    editor->command(Tool::ID_NEW);

    const std::vector<std::wstring> &names = editor->m_storeNames;
    ASSERT_EQ(editor->entries.size(), names.size() + 2);
    EXPECT_EQ(editor->entries[0].id, test::StoreViewDialog::ID_STORE_FILE);
    EXPECT_EQ(editor->entries[0].text, wxString(L"Файл..."));
    EXPECT_TRUE(editor->entries[1].separator);
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(editor->entries[i + 2].id, test::StoreViewDialog::ID_STORE_FIRST + static_cast<int>(i));
        EXPECT_EQ(editor->entries[i + 2].text, wxString(storeTitle(names[i])));
    }
    const auto my = std::find(names.begin(), names.end(), L"My");
    ASSERT_NE(my, names.end());
    EXPECT_EQ(editor->entries[2 + (my - names.begin())].text, wxString(L"Личные"));
}

TEST_F(StoreEditorWindow, ChoosingTheLastStoreOfTheMenuOpensIt)
{
    auto *editor = new MenuEditor(L"", false);
    const std::wstring last = editor->m_storeNames.back();
    fillSystemStore(last, {storetest::certificate("Последний")});
    editor->pick = test::StoreViewDialog::ID_STORE_FIRST + static_cast<int>(editor->m_storeNames.size()) - 1;

    editor->command(Tool::ID_NEW);

    ASSERT_EQ(editor->m_notebook->GetPageCount(), 1u);
    EXPECT_EQ(editor->m_notebook->GetPageText(0), wxString(storeTitle(last)));
    EXPECT_EQ(storetest::column(editor->currentList(), 0), std::vector<std::wstring>{L"Последний"});
    EXPECT_TRUE(editor->toolEnabled(Tool::ID_COPY));

    editor->pick = test::StoreViewDialog::ID_STORE_FIRST; // a second page, and the one to see
    editor->command(Tool::ID_NEW);

    ASSERT_EQ(editor->m_notebook->GetPageCount(), 2u);
    EXPECT_EQ(editor->m_notebook->GetSelection(), 1);
}

TEST_F(StoreEditorWindow, TheFileEntryAsksForAStoreFileAndOpensItUnderItsFullPath)
{
    const std::wstring path = storeFile("Архив.sst");
    fillStoreFile(path, {storetest::certificate("Из файла")});
    auto *editor = new MenuEditor(L"", false);
    editor->Show();
    editor->path = path;
    wxString wildcard;
    long style = 0;
    guitest::dialogs().onEnter([&](wxDialog &dialog) {
        auto &files = dynamic_cast<wxFileDialog &>(dialog);
        wildcard = files.GetWildcard();
        style = files.GetWindowStyle();
    });

    editor->command(test::StoreViewDialog::ID_STORE_FILE);

    ASSERT_EQ(guitest::dialogs().records().size(), 1u);
    const guitest::DialogRecord &asked = guitest::dialogs().records()[0];
    EXPECT_EQ(asked.message, wxString(L"Выберите хранилище"));
    EXPECT_EQ(asked.parent, editor);
    EXPECT_EQ(wildcard, wxString(L"SST (*.sst)|*.sst|Все файлы (*.*)|*.*"));
    EXPECT_TRUE(style & wxFD_OPEN);
    ASSERT_EQ(editor->m_notebook->GetPageCount(), 1u);
    EXPECT_EQ(editor->m_notebook->GetPageText(0), wxString(path));
    EXPECT_NE(dynamic_cast<crypto::SerializedStore *>(editor->currentPageData()->store.get()), nullptr);
    EXPECT_EQ(storetest::column(editor->currentList(), 0), std::vector<std::wstring>{L"Из файла"});
}

TEST_F(StoreEditorWindow, CancellingTheFileDialogOpensNothing)
{
    auto *editor = new MenuEditor(L"", false);
    editor->path = storeFile("never.sst");
    guitest::dialogs().queueAnswer(wxID_CANCEL);

    editor->command(test::StoreViewDialog::ID_STORE_FILE);

    EXPECT_EQ(editor->m_notebook->GetPageCount(), 0u);
    EXPECT_FALSE(editor->toolEnabled(Tool::ID_COPY));
    EXPECT_TRUE(guitest::dialogs().messageBoxes().empty());
    EXPECT_FALSE(std::filesystem::exists(home().file("never.sst")));
}

TEST_F(StoreEditorWindow, ReportsAStoreThatCannotBeOpenedAndAddsNoPage)
{
    std::ofstream(home().file("broken.sst")) << "this is no store file";
    auto *editor = new MenuEditor(L"My", false);
    editor->Show();
    editor->path = storeFile("broken.sst");

    editor->command(test::StoreViewDialog::ID_STORE_FILE);

    EXPECT_EQ(editor->m_notebook->GetPageCount(), 1u);
    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, wxString(L"Ошибка"));
    EXPECT_EQ(boxes[0].style, wxOK | wxICON_INFORMATION);
    EXPECT_EQ(boxes[0].parent, editor);
    EXPECT_FALSE(boxes[0].message.empty());
}

// --- Closing the window ---------------------------------------------------------------

TEST_F(StoreEditorWindow, ClosingTheWindowDestroysItAndReleasesItsStores)
{
    auto *editor = new StoreEditor(L"My", false);
    editor->Show();
    guitest::processEvents();
    wxWeakRef<wxFrame> alive(editor);
    const boost::weak_ptr<crypto::CryptoStore> store = editor->currentPageData()->store;

    editor->Close();
    guitest::processEvents();

    EXPECT_FALSE(alive);
    EXPECT_TRUE(store.expired());
}

TEST_F(StoreEditorWindow, ClosingTheWindowWritesBackAStoreFileThatChanged)
{
    const std::wstring path = storeFile("closing.sst");
    auto *editor = new StoreEditor(path, true);
    const std::vector<unsigned char> der = testsupport::makeNumberedCertificate(1);
    editor->currentPageData()->store->add(crypto::CryptoCertificate::adopt(
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()))));

    editor->Close();
    guitest::processEvents();

    EXPECT_EQ(crypto::SerializedStore(path).enumerate().size(), 1u);
}

} // namespace
