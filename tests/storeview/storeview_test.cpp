// The store editor window: its tools and their states, the first store's page, the
// store menu's ids, closing pages and closing the window.
#include "storeeditor.h"

#include "crypto/cryptexception.h"
#include "crypto/storecatalog.h"

#include "certfactory.h"
#include "guitest.h"

#include <boost/weak_ptr.hpp>

#include <wx/weakref.h>

#include <fstream>

namespace {

using Tool = wxStoreViewEx::ToolId;

const int kToolsNeedingAPage[] = {Tool::ID_COPY, Tool::ID_DELETE, Tool::ID_REFRESH, Tool::ID_IMPORT,
                                  Tool::ID_CERT_SHOW};

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

class StoreEditorWindow : public guitest::GuiTest {
protected:
    std::wstring storeFile(const char *name) const { return wxString::FromUTF8(home().file(name)).ToStdWstring(); }
};

// --- The window and its tools ---------------------------------------------------------

TEST_F(StoreEditorWindow, OpensAsAParentlessWindowWithItsTitleAndSize)
{
    auto *editor = new StoreEditor(L"", false);

    EXPECT_EQ(editor->GetTitle(), wxString(L"Редактор хранилища сертификатов"));
    EXPECT_EQ(editor->GetParent(), nullptr);
    EXPECT_EQ(editor->GetSize(), wxSize(652, 375));
    EXPECT_FALSE(editor->IsShown());
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
    EXPECT_EQ(bar->GetToolPos(Tool::ID_CERT_SHOW), 7);
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

    for (int id = Tool::ID_NEW; id <= Tool::ID_CERT_SHOW; ++id)
        sendCommand(editor->m_toolBar, id);

    EXPECT_EQ(editor->reached, (std::vector<std::string>{"New", "Copy", "Paste", "Delete", "Refresh", "Import",
                                                         "CertShow"}));
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

TEST_F(StoreEditorWindow, ClosingTheRememberedCopySourceDisablesPaste)
{
    auto *editor = new StoreEditor(L"My", false);
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    editor->openStorePage(L"CA", false, storeTitle(L"CA"));
    editor->m_copySource = editor->m_notebook->GetPage(1);
    editor->m_toolBar->EnableTool(Tool::ID_PASTE, true);

    editor->closePage(2);
    EXPECT_TRUE(editor->toolEnabled(Tool::ID_PASTE)) << "another page closed";

    editor->closePage(1);
    EXPECT_FALSE(editor->toolEnabled(Tool::ID_PASTE));
    EXPECT_EQ(editor->m_copySource, nullptr);
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
    PCCERT_CONTEXT context = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()));
    editor->currentPageData()->store->add(context);
    CertFreeCertificateContext(context);

    editor->Close();
    guitest::processEvents();

    EXPECT_EQ(crypto::SerializedStore(path).enumerate().size(), 1u);
}

} // namespace
