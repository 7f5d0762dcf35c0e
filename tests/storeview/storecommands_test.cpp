// The commands on a page's certificates: Просмотр, Копировать and Вставить, Удалить,
// Обновить, Импорт and Экспорт, and the store file written after each change (or read again when
// it cannot be).
#include "storeeditor.h"
#include "storefixtures.h"

#include "filefaults.h"

#include "crypto/certificate.h"
#include "crypto/certimport.h"
#include "crypto/cryptexception.h"
#include "crypto/storecatalog.h"

#include <wx/progdlg.h>
#include <wx/textctrl.h>

#include <cerrno>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using storetest::Bytes;
using storetest::column;
using Tool = wxStoreViewEx::ToolId;

const int kSubject = test::StoreViewDialog::COLUMN_SUBJECT;

// Every text field of a dialog, in the order they were created.
std::vector<wxString> fieldTexts(const wxWindow &window)
{
    std::vector<wxString> texts;
    for (const wxWindow *child : window.GetChildren()) {
        if (const auto *field = dynamic_cast<const wxTextCtrl *>(child))
            texts.push_back(field->GetValue());
        for (const wxString &text : fieldTexts(*child))
            texts.push_back(text);
    }
    return texts;
}

// The copy progress dialog while it is up.
const wxGenericProgressDialog *progressDialog()
{
    for (const wxWindow *window : wxTopLevelWindows)
        if (const auto *progress = dynamic_cast<const wxGenericProgressDialog *>(window))
            return progress;
    return nullptr;
}

// Deletes the certificate from the page's own store, as another program would from the
// store: the page still lists it.
void removeBehindTheList(crypto::CryptoStore &store, const Bytes &der)
{
    crypto::CryptoCertificate found = store.findByHash(testsupport::sha1Of(der));
    ASSERT_TRUE(found.deleteFromStore());
}

class StoreCommands : public storetest::EditorTest {
protected:
    // A shown editor on the system store "My" holding `certificates`.
    StoreEditor *editorOnMy(const std::vector<Bytes> &certificates)
    {
        fillSystemStore(L"My", certificates);
        auto *editor = new StoreEditor(L"My", false);
        editor->Show();
        guitest::processEvents();
        return editor;
    }
};

// --- Просмотр ----------------------------------------------------------------------------

TEST_F(StoreCommands, ViewShowsOneModalPropertiesDialogPerSelectedRowInTurn)
{
    StoreEditor *editor = editorOnMy({storetest::certificate("Первый"), storetest::certificate("Второй"),
                                      storetest::certificate("Третий")});
    storetest::select(editor->currentList(), {0, 2});
    std::vector<wxString> names;
    guitest::dialogs().onEnter([&](wxDialog &dialog) { names.push_back(fieldTexts(dialog).at(0)); });

    editor->command(Tool::ID_CERT_SHOW);

    const auto &shown = guitest::dialogs().records();
    ASSERT_EQ(shown.size(), 2u);
    for (const guitest::DialogRecord &dialog : shown) {
        EXPECT_FALSE(dialog.messageBox);
        EXPECT_EQ(dialog.caption, wxString(L"Просмотр сертификата"));
        EXPECT_EQ(dialog.parent, editor);
    }
    EXPECT_EQ(names, (std::vector<wxString>{L"Первый", L"Третий"}));
}

TEST_F(StoreCommands, ViewWithNothingSelectedShowsNothing)
{
    StoreEditor *editor = editorOnMy({storetest::certificate("Первый")});

    editor->command(Tool::ID_CERT_SHOW);

    EXPECT_TRUE(guitest::dialogs().records().empty());
}

TEST_F(StoreCommands, ViewReportsACertificateRemovedOutsideTheEditorAndGoesOnWithTheNextRow)
{
    const Bytes gone = storetest::certificate("Удалённый");
    StoreEditor *editor = editorOnMy({gone, storetest::certificate("Оставшийся")});
    removeBehindTheList(*editor->currentPageData()->store, gone);
    storetest::select(editor->currentList(), {0, 1});

    editor->command(Tool::ID_CERT_SHOW);

    const auto &shown = guitest::dialogs().records();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[0].messageBox);
    EXPECT_TRUE(shown[0].message.StartsWith(L"Не удалось показать сертификат «Удалённый» хранилища «Личные».\n\n"
                                            L"Для указанного хеша сертификат не найден"))
        << shown[0].message;
    EXPECT_EQ(shown[0].caption, wxString(L"Ошибка"));
    EXPECT_EQ(shown[0].style, wxOK | wxICON_INFORMATION);
    EXPECT_EQ(shown[0].parent, editor);
    EXPECT_EQ(shown[1].caption, wxString(L"Просмотр сертификата"));
    EXPECT_EQ(editor->currentList().GetItemCount(), 2) << "the row stays until the list is read again";
}

// --- Копировать and Вставить ---------------------------------------------------------------

TEST_F(StoreCommands, PasteStaysDisabledUntilCopy)
{
    StoreEditor *editor = editorOnMy({storetest::certificate("Первый")});
    ASSERT_FALSE(editor->toolEnabled(Tool::ID_PASTE));

    editor->command(Tool::ID_COPY);

    EXPECT_TRUE(editor->toolEnabled(Tool::ID_PASTE));
    EXPECT_EQ(editor->m_copySource, editor->currentPage());
}

TEST_F(StoreCommands, PasteAddsTheCopiedPagesSelectedCertificatesToTheCurrentPagesStore)
{
    const Bytes first = storetest::certificate("Первый"), second = storetest::certificate("Второй");
    StoreEditor *editor = editorOnMy({first, storetest::certificate("Не выбранный"), second});
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    storetest::select(editor->list(0), {0, 2});
    editor->command(Tool::ID_COPY);
    editor->showPage(1);

    editor->command(Tool::ID_PASTE);

    EXPECT_TRUE(guitest::dialogs().messageBoxes().empty());
    const crypto::CryptoStore &root = *editor->pageData(1)->store;
    EXPECT_EQ(storetest::copiesIn(root, first), 1u);
    EXPECT_EQ(storetest::copiesIn(root, second), 1u);
    EXPECT_EQ(root.enumerate().size(), 2u);
    EXPECT_EQ(column(editor->list(1), kSubject), (std::vector<std::wstring>{L"Первый", L"Второй"}));
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 2 из 2");
    EXPECT_EQ(editor->pageData(1)->total, 2);
}

TEST_F(StoreCommands, PasteShowsItsProgressWhileItCopies)
{
    const Bytes gone = storetest::certificate("Удалённый");
    StoreEditor *editor = editorOnMy({gone, storetest::certificate("Новый")});
    removeBehindTheList(*editor->currentPageData()->store, gone); // its error box shows during the copy
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    storetest::select(editor->list(0), {0, 1});
    editor->command(Tool::ID_COPY);
    editor->showPage(1);
    wxString title, message;
    int range = 0;
    bool cancellable = false, editorTakesCommands = true;
    const wxWindow *parent = nullptr;
    guitest::dialogs().onEnter([&](wxDialog &) {
        if (const wxGenericProgressDialog *progress = progressDialog()) {
            title = progress->GetTitle();
            message = progress->GetMessage();
            range = progress->GetRange();
            cancellable = progress->FindWindow(wxID_CANCEL) != nullptr;
            editorTakesCommands = editor->IsEnabled();
            parent = progress->GetParent();
        }
    });

    editor->command(Tool::ID_PASTE);

    EXPECT_EQ(title, wxString(L"Копирование..."));
    EXPECT_EQ(message, wxString(L"Копирование сертификатов"));
    EXPECT_EQ(range, 2);
    EXPECT_TRUE(cancellable);
    EXPECT_FALSE(editorTakesCommands);
    EXPECT_EQ(parent, editor);
    guitest::processEvents();
    EXPECT_EQ(progressDialog(), nullptr) << "closed when the copy ends";
}

TEST_F(StoreCommands, PasteNamesTheCertificatesTheTargetListShowsInOneBoxAtTheEndAndAddsTheOthers)
{
    const Bytes first = storetest::certificate("Первый"), second = storetest::certificate("Второй"),
                third = storetest::certificate("Третий");
    fillSystemStore(L"Root", {first, third});
    StoreEditor *editor = editorOnMy({first, second, third});
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    storetest::select(editor->list(0), {0, 1, 2});
    editor->command(Tool::ID_COPY);
    editor->showPage(1);

    editor->command(Tool::ID_PASTE);

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].message, wxString(L"Добавлено сертификатов: 1\nУже были в хранилище: 2\nПервый\nТретий"));
    EXPECT_EQ(boxes[0].caption, wxString(L"Внимание"));
    EXPECT_EQ(boxes[0].style, wxOK | wxICON_INFORMATION);
    EXPECT_EQ(boxes[0].parent, editor);
    EXPECT_EQ(progressDialog(), nullptr) << "the box comes once the copy is over";
    const crypto::CryptoStore &root = *editor->pageData(1)->store;
    EXPECT_EQ(storetest::copiesIn(root, first), 1u);
    EXPECT_EQ(storetest::copiesIn(root, second), 1u);
    EXPECT_EQ(storetest::copiesIn(root, third), 1u);
}

TEST_F(StoreCommands, PasteFindsACertificateWithAnEmptyNameInTheTargetList)
{
    const Bytes nameless = storetest::certificate("", "");
    fillSystemStore(L"Root", {nameless});
    StoreEditor *editor = editorOnMy({nameless});
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    storetest::select(editor->list(0), {0});
    editor->command(Tool::ID_COPY);
    editor->showPage(1);

    editor->command(Tool::ID_PASTE);

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].message.StartsWith(L"Добавлено сертификатов: 0\nУже были в хранилище: 1")) << boxes[0].message;
    EXPECT_EQ(storetest::copiesIn(*editor->pageData(1)->store, nameless), 1u);
}

TEST_F(StoreCommands, PasteAddsACertificateWhoseNameTheTargetShowsForAnotherCertificate)
{
    const Bytes shown = storetest::certificate("Тёзка"), copied = storetest::certificate("Тёзка");
    fillSystemStore(L"Root", {storetest::certificate("Другой"), shown});
    StoreEditor *editor = editorOnMy({copied});
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    storetest::select(editor->list(0), {0});
    editor->command(Tool::ID_COPY);
    editor->showPage(1);

    editor->command(Tool::ID_PASTE);

    EXPECT_TRUE(guitest::dialogs().messageBoxes().empty());
    EXPECT_EQ(storetest::copiesIn(*editor->pageData(1)->store, copied), 1u);
    EXPECT_EQ(editor->list(1).GetItemCount(), 3);
}

TEST_F(StoreCommands, PasteCopiesWhatIsSelectedOnTheCopiedPageWhenPasteIsPressed)
{
    const Bytes first = storetest::certificate("Первый"), second = storetest::certificate("Второй");
    StoreEditor *editor = editorOnMy({first, second});
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    storetest::select(editor->list(0), {0});
    editor->command(Tool::ID_COPY);
    storetest::select(editor->list(0), {1});
    editor->showPage(1);

    editor->command(Tool::ID_PASTE);

    EXPECT_EQ(storetest::copiesIn(*editor->pageData(1)->store, first), 0u);
    EXPECT_EQ(storetest::copiesIn(*editor->pageData(1)->store, second), 1u);
}

TEST_F(StoreCommands, PasteWithNothingSelectedOnTheCopiedPageOnlySaysSo)
{
    StoreEditor *editor = editorOnMy({storetest::certificate("Первый")});
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    editor->command(Tool::ID_COPY);
    editor->showPage(1);

    editor->command(Tool::ID_PASTE);

    const auto &shown = guitest::dialogs().records();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].message, wxString(L"Не указаны сертификаты или не выбрано хранилище"));
    EXPECT_EQ(shown[0].caption, wxString(L"Внимание"));
    EXPECT_EQ(shown[0].style, wxOK | wxCENTRE | wxICON_INFORMATION);
    EXPECT_EQ(shown[0].parent, editor);
    EXPECT_TRUE(editor->pageData(1)->store->enumerate().empty());
}

TEST_F(StoreCommands, PasteIntoAFilteredPageAddsWhatTheFilterHidesAgainAndListsTheWholeStore)
{
    const Bytes hidden = storetest::certificate("Петров");
    fillSystemStore(L"Root", {storetest::certificate("Иванов"), hidden});
    StoreEditor *editor = editorOnMy({hidden});
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    storetest::select(editor->list(0), {0});
    editor->command(Tool::ID_COPY);
    editor->showPage(1);
    editor->typeFilter(L"ив");
    ASSERT_EQ(editor->list(1).GetItemCount(), 1);

    editor->command(Tool::ID_PASTE);

    EXPECT_TRUE(guitest::dialogs().messageBoxes().empty());
    EXPECT_EQ(storetest::copiesIn(*editor->pageData(1)->store, hidden), 1u) << "a system store keeps one copy";
    EXPECT_EQ(column(editor->list(1), kSubject), (std::vector<std::wstring>{L"Иванов", L"Петров"}));
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 2 из 2");
}

TEST_F(StoreCommands, PasteIntoTheCopiedPageItselfReportsEverySelectedCertificate)
{
    StoreEditor *editor = editorOnMy({storetest::certificate("Первый"), storetest::certificate("Второй")});
    storetest::select(editor->currentList(), {0, 1});
    editor->command(Tool::ID_COPY);

    editor->command(Tool::ID_PASTE);

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].message.StartsWith(L"Добавлено сертификатов: 0\nУже были в хранилище: 2")) << boxes[0].message;
    EXPECT_EQ(editor->currentPageData()->store->enumerate().size(), 2u);
}

// --- Удалить ------------------------------------------------------------------------------

TEST_F(StoreCommands, DeleteAsksWithTheNumberOfSelectedRowsAndRemovesThemFromListAndStore)
{
    const Bytes kept = storetest::certificate("Остаётся");
    StoreEditor *editor = editorOnMy({storetest::certificate("1"), kept, storetest::certificate("2"),
                                      storetest::certificate("3")});
    storetest::select(editor->currentList(), {0, 2, 3});
    guitest::dialogs().queueAnswer(wxID_YES);

    editor->command(Tool::ID_DELETE);

    const auto &asked = guitest::dialogs().records();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].message, wxString(L"Подтверждаете удаление 3 сертификатов?"));
    EXPECT_EQ(asked[0].caption, wxString(L"Удаление"));
    EXPECT_EQ(asked[0].style, wxYES_NO | wxICON_QUESTION);
    EXPECT_EQ(asked[0].parent, editor);
    EXPECT_EQ(column(editor->currentList(), kSubject), std::vector<std::wstring>{L"Остаётся"});
    EXPECT_EQ(editor->currentPageData()->total, 1);
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 1 из 1");
    const auto store = crypto::openStore(L"My", false);
    ASSERT_EQ(store->enumerate().size(), 1u);
    EXPECT_EQ(storetest::copiesIn(*store, kept), 1u);
}

// "Нет", and Escape or the close button, which answer the box as Cancel.
class DeleteRefused : public StoreCommands, public ::testing::WithParamInterface<int> {};

TEST_P(DeleteRefused, DeletesNothing)
{
    StoreEditor *editor = editorOnMy({storetest::certificate("1"), storetest::certificate("2")});
    storetest::select(editor->currentList(), {0, 1});
    guitest::dialogs().queueAnswer(GetParam());

    editor->command(Tool::ID_DELETE);

    EXPECT_EQ(editor->currentList().GetItemCount(), 2);
    EXPECT_EQ(editor->currentPageData()->total, 2);
    EXPECT_EQ(crypto::openStore(L"My", false)->enumerate().size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(NoOrClosed, DeleteRefused, ::testing::Values(wxID_NO, wxID_CANCEL));

TEST_F(StoreCommands, DeleteWithNothingSelectedAsksNothingAndChangesNothing)
{
    StoreEditor *editor = editorOnMy({storetest::certificate("1")});

    editor->command(Tool::ID_DELETE);

    EXPECT_TRUE(guitest::dialogs().records().empty());
    EXPECT_EQ(editor->currentList().GetItemCount(), 1);
    EXPECT_EQ(crypto::openStore(L"My", false)->enumerate().size(), 1u);
}

TEST_F(StoreCommands, DeleteReportsACertificateRemovedOutsideTheEditorOnceDeletesTheOthersAndListsTheStore)
{
    const Bytes gone = storetest::certificate("Удалённый"), other = storetest::certificate("Другой"),
                last = storetest::certificate("Последний");
    StoreEditor *editor = editorOnMy({gone, other, last});
    removeBehindTheList(*editor->currentPageData()->store, gone);
    storetest::select(editor->currentList(), {0, 1, 2});
    guitest::dialogs().queueAnswer(wxID_YES);

    editor->command(Tool::ID_DELETE);

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 2u) << "the question and one error";
    EXPECT_TRUE(boxes[1].message.StartsWith(L"Не удалось удалить из хранилища «Личные» сертификатов: 1.\n\n"
                                            L"«Удалённый»: Для указанного хеша сертификат не найден"))
        << boxes[1].message;
    EXPECT_EQ(boxes[1].caption, wxString(L"Ошибка"));
    EXPECT_EQ(boxes[1].style, wxOK | wxICON_INFORMATION);
    EXPECT_EQ(boxes[1].parent, editor);
    EXPECT_EQ(editor->currentList().GetItemCount(), 0) << "the page shows what the store holds";
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 0 из 0");
    EXPECT_TRUE(crypto::openStore(L"My", false)->enumerate().empty());
}

// The tests run as root, whom no folder refuses: the fault seam makes the write fail.
TEST_F(StoreCommands, ADeleteThatCannotBeWrittenKeepsItsRowSelectedWhileItIsToldAndAfter)
{
    StoreEditor *editor = editorOnMy({storetest::certificate("Первый"), storetest::certificate("Второй")});
    storetest::select(editor->currentList(), {1});
    guitest::dialogs().queueAnswer(wxID_YES);
    std::vector<std::wstring> shownWhileTold;
    guitest::dialogs().onEnter([&](wxDialog &) { shownWhileTold = column(editor->currentList(), kSubject); });
    filefaults::failNext(filefaults::Call::Rename, EACCES);

    editor->command(Tool::ID_DELETE);
    filefaults::clear();

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_TRUE(boxes[1].message.StartsWith(L"Не удалось удалить из хранилища «Личные» сертификатов: 1.\n\n«Второй»: "))
        << boxes[1].message;
    EXPECT_EQ(shownWhileTold, (std::vector<std::wstring>{L"Первый", L"Второй"}));
    EXPECT_EQ(column(editor->currentList(), kSubject), (std::vector<std::wstring>{L"Первый", L"Второй"}));
    EXPECT_EQ(storetest::selectedRows(editor->currentList()), std::vector<long>{1});
    EXPECT_EQ(editor->currentPageData()->total, 2);
}

// Keys in the list: Ctrl+A selects every row, Enter shows them as Просмотр does, Delete
// asks as Удалить does.
TEST_F(StoreCommands, KeysInTheListSelectAllShowAndDelete)
{
    StoreEditor *editor = editorOnMy({storetest::certificate("Первый"), storetest::certificate("Второй")});
    auto press = [&](int key, bool control) {
        wxKeyEvent event(wxEVT_KEY_DOWN);
        event.m_keyCode = key;
        event.SetControlDown(control);
        event.SetEventObject(&editor->currentList());
        editor->currentList().GetEventHandler()->ProcessEvent(event);
    };
    guitest::dialogs().queueAnswer(wxID_OK);
    guitest::dialogs().queueAnswer(wxID_OK);
    guitest::dialogs().queueAnswer(wxID_NO);

    press('A', true);
    EXPECT_EQ(storetest::selectedRows(editor->currentList()), (std::vector<long>{0, 1}));
    press(WXK_RETURN, false);
    press(WXK_DELETE, false);

    const auto &shown = guitest::dialogs().records();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].caption, wxString(L"Просмотр сертификата"));
    EXPECT_EQ(shown[1].caption, wxString(L"Просмотр сертификата"));
    EXPECT_EQ(shown[2].caption, wxString(L"Удаление"));
    EXPECT_EQ(editor->currentList().GetItemCount(), 2);
}

// --- Обновить, Импорт and Экспорт ----------------------------------------------------------------

TEST_F(StoreCommands, RefreshOnAFilteredPageEmptiesTheFilterAndListsTheWholeStore)
{
    StoreEditor *editor = editorOnMy({storetest::certificate("Иванов"), storetest::certificate("Петров")});
    editor->typeFilter(L"ив");
    ASSERT_EQ(editor->currentList().GetItemCount(), 1);

    editor->command(Tool::ID_REFRESH);

    EXPECT_EQ(editor->m_searchCtrl->GetValue(), wxString());
    EXPECT_EQ(editor->currentPageData()->filter, L"");
    EXPECT_EQ(column(editor->currentList(), kSubject), (std::vector<std::wstring>{L"Иванов", L"Петров"}));
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 2 из 2");
}

// Обновить, and the main window once it installed, read the store again from where it is
// kept: what was installed shows, with its key link, and what another program deleted is gone.
class RefreshAfterOthers : public StoreCommands, public ::testing::WithParamInterface<std::tuple<bool, bool>> {};

TEST_P(RefreshAfterOthers, ShowsWhatWasInstalledAndDropsWhatWasDeletedElsewhere)
{
    const auto [isFile, byTool] = GetParam();
    const std::wstring name = isFile ? storeFile("store.sst") : L"My";
    const Bytes gone = storetest::certificate("Удалённый"), installed = storetest::certificate("Установленный");
    isFile ? fillStoreFile(name, {gone, storetest::certificate("Оставшийся")})
           : fillSystemStore(name, {gone, storetest::certificate("Оставшийся")});
    auto *editor = new StoreEditor(name, isFile);
    storetest::add(*crypto::openStore(name, isFile), installed, L"Ключ", L"Провайдер"); // as the main window does
    const pid_t other = fork(); // another program
    if (other == 0) {
        removeBehindTheList(*crypto::openStore(name, isFile), gone);
        _exit(::testing::Test::HasFailure());
    }
    int status = -1;
    ASSERT_EQ(waitpid(other, &status, 0), other);
    ASSERT_EQ(status, 0);

    if (byTool)
        editor->command(Tool::ID_REFRESH);
    else // as the main window tells after an installation, the name spelt its own way
        test::StoreViewDialog::showStoreChanged(isFile ? name : L"MY", isFile);

    EXPECT_EQ(column(editor->currentList(), kSubject), (std::vector<std::wstring>{L"Оставшийся", L"Установленный"}));
    EXPECT_EQ(editor->currentList().GetItemText(1, test::StoreViewDialog::COLUMN_KEY), wxString(L"Ключ - Провайдер"));
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 2 из 2");
}

INSTANTIATE_TEST_SUITE_P(SystemStoreAndStoreFile, RefreshAfterOthers,
                         ::testing::Combine(::testing::Bool(), ::testing::Bool()));

// Answers the file dialogs of Импорт and Экспорт in place of a user.
class FileEditor : public StoreEditor {
public:
    using StoreEditor::StoreEditor;
    std::vector<std::wstring> paths;
    int filter = 0;
    std::vector<std::wstring> passwords; // typed in turn into the password dialogs
    mutable size_t typed = 0;

protected:
    std::wstring enteredPassword(const wxPasswordEntryDialog &) const override { return passwords.at(typed++); }
    std::wstring chosenPath(const wxFileDialog &) const override { return paths.at(0); }
    std::vector<std::wstring> chosenPaths(const wxFileDialog &) const override { return paths; }
    int chosenFilter(const wxFileDialog &) const override { return filter; }
};

class FileCommands : public storetest::EditorTest {
protected:
    FileEditor *editorOn(const std::wstring &name, bool isFile, const std::vector<Bytes> &certificates)
    {
        isFile ? fillStoreFile(name, certificates) : fillSystemStore(name, certificates);
        auto *editor = new FileEditor(name, isFile);
        editor->Show();
        guitest::processEvents();
        return editor;
    }
    std::wstring file(const std::string &name, const Bytes &bytes) const
    {
        testsupport::writeFile(home().file(name), bytes);
        return storeFile(name);
    }
};

class ImportExport : public FileCommands, public ::testing::WithParamInterface<bool> {};

TEST_P(ImportExport, ImportAddsWhatThePageLacksOnceAndNamesTheFilesItCouldNotRead)
{
    const bool isFile = GetParam();
    const std::wstring name = isFile ? storeFile("store.sst") : L"My";
    const Bytes present = storetest::certificate("Был"), fresh = storetest::certificate("Новый");
    FileEditor *editor = editorOn(name, isFile, {present});
    editor->paths = {file("present.cer", present), file("fresh.cer", fresh), file("again.der", fresh),
                     file("broken.cer", Bytes(fresh.begin(), fresh.begin() + 40)), storeFile("missing.cer")};

    editor->command(Tool::ID_IMPORT);

    const auto &shown = guitest::dialogs().records();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].message, wxString(L"Импорт сертификатов"));
    EXPECT_TRUE(shown[0].style & wxFD_MULTIPLE);
    EXPECT_EQ(shown[1].caption, wxString(L"Импорт"));
    EXPECT_EQ(shown[1].message,
              L"Добавлено сертификатов: 1\nУже были в хранилище: 2\nБыл\nНовый\n\nНе удалось импортировать:\n"
              L"broken.cer: Файл "
              L"повреждён или не является сертификатом, сообщением PKCS #7 или хранилищем сертификатов.\nmissing.cer: " +
                  wxString(crypto::systemErrorText(ERROR_FILE_NOT_FOUND)).Trim());
    EXPECT_EQ(column(editor->currentList(), kSubject), (std::vector<std::wstring>{L"Был", L"Новый"}));
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 2 из 2");
    EXPECT_EQ(storetest::copiesIn(*crypto::openStore(name, isFile), fresh), 1u); // written, once
}

INSTANTIATE_TEST_SUITE_P(SystemStoreAndStoreFile, ImportExport, ::testing::Bool());

struct PfxImportCase {
    std::vector<std::wstring> passwords;
    int afterWrongPassword; // the answer to "Неверный пароль"
    std::vector<std::wstring> dialogs;
    const wchar_t *summary;
    size_t containers;
};

class PfxImport : public FileCommands, public ::testing::WithParamInterface<PfxImportCase> {};

TEST_P(PfxImport, APkcs12FileAsksItsPasswordUntilItOpensAndAddsItsChainWithTheKeyLinked)
{
    const PfxImportCase &c = GetParam();
    FileEditor *editor = editorOn(L"My", false, {});
    editor->paths = {std::wstring(L"" TEST_DATA_DIR "/chain.pfx")};
    editor->passwords = c.passwords;
    for (int answer : {int(wxID_OK), int(wxID_OK), c.afterWrongPassword})
        guitest::dialogs().queueAnswer(answer);

    editor->command(Tool::ID_IMPORT);

    std::vector<std::wstring> shown;
    for (const auto &record : guitest::dialogs().records())
        shown.push_back((record.message.empty() ? record.caption : record.message).ToStdWstring());
    shown.back() = shown.back().substr(0, shown.back().find(L'\n'));
    EXPECT_EQ(shown, c.dialogs);
    EXPECT_NE(guitest::dialogs().records().back().message.find(c.summary), wxString::npos);
    EXPECT_EQ(editor->currentList().GetItemCount(), c.containers ? 3 : 0);
    size_t containers = 0;
    std::error_code error;
    for (auto it = std::filesystem::directory_iterator(home().file("keys"), error); !error && it != decltype(it)(); ++it)
        ++containers;
    EXPECT_EQ(containers, c.containers);
    if (c.containers) { // the leaf, listed first as the file holds it, links to its new container
        EXPECT_EQ(column(editor->currentList(), test::StoreViewDialog::COLUMN_KEY).at(0).find(L"\\\\.\\LOCAL\\Цепочка"), 0u);
    }
}

const std::wstring kAsked = L"Пароль файла «chain.pfx»";
INSTANTIATE_TEST_SUITE_P(
    Passwords, PfxImport,
    ::testing::Values(PfxImportCase{{L"secret"}, wxID_OK, {L"Импорт сертификатов", kAsked, L"Добавлено сертификатов: 3"},
                                    L"Добавлено сертификатов: 3", 1},
                      PfxImportCase{{L"wrong", L"secret"},
                                    wxID_OK,
                                    {L"Импорт сертификатов", kAsked, L"Неверный пароль", kAsked,
                                     L"Добавлено сертификатов: 3"},
                                    L"Добавлено сертификатов: 3", 1},
                      PfxImportCase{{L"wrong"},
                                    wxID_CANCEL,
                                    {L"Импорт сертификатов", kAsked, L"Неверный пароль", L"Добавлено сертификатов: 0"},
                                    L"chain.pfx: пароль не введён.", 0}));

TEST_F(ImportExport, ExportWritesTheSelectedRowsOrEveryRowShownInTheChosenForm)
{
    const Bytes first = storetest::certificate("Первый"), second = storetest::certificate("Второй");
    FileEditor *editor = editorOn(L"My", false, {first, second});
    storetest::select(editor->currentList(), {storetest::rowOf(editor->currentList(), second)});
    editor->paths = {storeFile("chosen")};
    editor->filter = 3; // a store file, named without its extension

    editor->command(Tool::ID_EXPORT);
    storetest::select(editor->currentList(), {});
    editor->paths = {storeFile("all.cer")};
    editor->filter = 1; // PEM
    editor->command(Tool::ID_EXPORT);

    const auto exported = crypto::readCertificateFile(storeFile("chosen.sst"));
    ASSERT_EQ(exported.size(), 1u);
    EXPECT_EQ(exported[0].sha1Hash(), storetest::hashText(second));
    EXPECT_EQ(crypto::readCertificateFile(storeFile("all.cer")).size(), 2u);
    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].message, wxString(L"Экспортировано сертификатов: 2"));
}

// The tests run as root, whom no folder refuses: the fault seam makes the rename fail.
TEST_F(ImportExport, AFailedExportLeavesTheTargetAsItWasAndNoTemporaryFile)
{
    FileEditor *editor = editorOn(L"My", false, {storetest::certificate("Первый")});
    const Bytes before{'o', 'l', 'd'};
    editor->paths = {file("target.p7b", before)};
    editor->filter = 2;
    filefaults::failNext(filefaults::Call::Rename, EACCES);

    editor->command(Tool::ID_EXPORT);
    filefaults::clear();

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].message, L"Не удалось экспортировать сертификаты в файл «" + storeFile("target.p7b") + L"».\n\n" +
                                    crypto::systemErrorText(ERROR_UNABLE_TO_MOVE_REPLACEMENT));
    EXPECT_EQ(testsupport::readFile(home().file("target.p7b")), before);
    size_t files = 0;
    for (const auto &entry : std::filesystem::directory_iterator(home().path()))
        files += entry.is_regular_file();
    EXPECT_EQ(files, 1u);
}

// --- Store files are written when they change ------------------------------------------------

class StoreFileWrites : public storetest::EditorTest {
protected:
    // A shown editor with the system store "My" (holding `mine`) and the store file at
    // `path` (holding `filed`), the file's page current.
    StoreEditor *editorWithFile(const std::wstring &path, const std::vector<Bytes> &mine,
                                const std::vector<Bytes> &filed)
    {
        fillSystemStore(L"My", mine);
        fillStoreFile(path, filed);
        auto *editor = new StoreEditor(L"My", false);
        editor->openStorePage(path, true, storeTitle(path));
        editor->Show();
        guitest::processEvents();
        return editor;
    }
    static std::vector<crypto::CryptoCertificate> onDisk(const std::wstring &path)
    {
        return crypto::SerializedStore(path).enumerate();
    }
};

TEST_F(StoreFileWrites, PasteIntoAStoreFileWritesItAtOnce)
{
    const std::wstring path = storeFile("target.sst");
    const Bytes copied = storetest::certificate("Скопированный");
    StoreEditor *editor = editorWithFile(path, {copied}, {});
    storetest::select(editor->list(0), {0});
    editor->command(Tool::ID_COPY);
    editor->showPage(1);

    editor->command(Tool::ID_PASTE);

    const auto written = onDisk(path);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].sha1Hash(), storetest::hashText(copied));
}

TEST_F(StoreFileWrites, DeleteFromAStoreFileWritesItAtOnce)
{
    const std::wstring path = storeFile("source.sst");
    const Bytes kept = storetest::certificate("Остаётся");
    StoreEditor *editor = editorWithFile(path, {}, {storetest::certificate("Удаляемый"), kept});
    editor->showPage(1);
    storetest::select(editor->currentList(), {0});
    guitest::dialogs().queueAnswer(wxID_YES);

    editor->command(Tool::ID_DELETE);

    const auto written = onDisk(path);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].sha1Hash(), storetest::hashText(kept));
}

// A paste or deletion that its store file cannot take, as in a folder the user may not
// write to, is reported, and the page shows what the file holds. The tests run as root,
// whom no folder refuses: the fault seam of the file calls makes the write fail.
class UnwritableStoreFile : public StoreFileWrites, public ::testing::WithParamInterface<int> {};

TEST_P(UnwritableStoreFile, ReportsAChangeNotWrittenAndShowsWhatTheFileHolds)
{
    const std::wstring path = storeFile("target.sst");
    const Bytes filed = storetest::certificate("В файле");
    StoreEditor *editor = editorWithFile(path, {storetest::certificate("Скопированный")}, {filed});
    storetest::select(editor->list(0), {0});
    editor->command(Tool::ID_COPY);
    editor->showPage(1);
    storetest::select(editor->currentList(), {0});
    guitest::dialogs().queueAnswer(wxID_YES);
    filefaults::failNext(filefaults::Call::Rename, EACCES);

    editor->command(GetParam());
    filefaults::clear();

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().message, L"Не удалось записать хранилище «" + storeTitle(path) +
                                        L"»; оно показано таким, каким его хранит файл.\n\n" +
                                        crypto::systemErrorText(ERROR_ACCESS_DENIED));
    EXPECT_EQ(boxes.back().caption, wxString(L"Ошибка"));
    EXPECT_EQ(column(editor->currentList(), kSubject), std::vector<std::wstring>{L"В файле"});
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 1 из 1");
    editor->Close(); // nor is the change written later, when the store is released
    guitest::processEvents();
    const auto written = onDisk(path);
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0].sha1Hash(), storetest::hashText(filed));
}

TEST_F(StoreFileWrites, NothingIsWrittenToAStoreFileWhenEveryCertificateIsThereAlready)
{
    const std::wstring path = storeFile("same.sst");
    const Bytes present = storetest::certificate("Уже есть");
    StoreEditor *editor = editorWithFile(path, {present}, {present});
    const auto before = std::filesystem::last_write_time(home().path() / "same.sst");
    storetest::select(editor->list(0), {0});
    editor->command(Tool::ID_COPY);
    editor->showPage(1);

    editor->command(Tool::ID_PASTE);

    EXPECT_EQ(guitest::dialogs().messageBoxes().size(), 1u);
    EXPECT_EQ(std::filesystem::last_write_time(home().path() / "same.sst"), before);
}

INSTANTIATE_TEST_SUITE_P(PasteAndDelete, UnwritableStoreFile, ::testing::Values(Tool::ID_PASTE, Tool::ID_DELETE));

} // namespace
