// The view-store button opens a store editor window on the target store.
#include "mainwindowtest.h"

#include "certview/windowplacement.h"
#include "storeview/storeviewdialog.h"

#include <wx/aui/auibook.h>

#include <cstdlib>
#include <filesystem>

using namespace apptest;

namespace {

// The titles of an editor's pages, in order.
std::vector<wxString> pageTitlesOf(const wxWindow *editor)
{
    std::vector<wxString> titles;
    for (const wxWindow *child : editor->GetChildren())
        if (auto *notebook = dynamic_cast<const wxAuiNotebook *>(child))
            for (size_t i = 0; i < notebook->GetPageCount(); ++i)
                titles.push_back(notebook->GetPageText(i));
    return titles;
}

wxPoint centreOf(const wxRect &rect) { return rect.GetPosition() + rect.GetSize() / 2; }

class StoreEditor : public MainWindowTest {};

TEST_F(StoreEditor, EachClickOpensOneMoreEditorWithoutParent)
{
    makeLocalContainer(L"Ключ", L"Сидоров Сидор");
    MainWindow *window = openWindow();
    window->Centre();

    click(window->viewStoreButton());
    ASSERT_EQ(openWindows<test::StoreViewDialog>().size(), 1u);
    click(window->viewStoreButton());

    const auto editors = openWindows<test::StoreViewDialog>();
    ASSERT_EQ(editors.size(), 2u);
    const wxRect area = workingAreaOf(window);
    for (test::StoreViewDialog *editor : editors) {
        EXPECT_EQ(editor->GetParent(), nullptr);
        EXPECT_TRUE(editor->IsShown());
        EXPECT_FALSE(editor->GetIcons().IsEmpty());
        // Centred on the window it was opened from, whole on its display.
        EXPECT_TRUE(area.Contains(editor->GetScreenRect()));
        const wxPoint offset = centreOf(editor->GetScreenRect()) - centreOf(window->GetScreenRect());
        EXPECT_LE(std::abs(offset.x), 1);
        EXPECT_LE(std::abs(offset.y), 1);
    }
    EXPECT_TRUE(guitest::dialogs().records().empty());
}

TEST_F(StoreEditor, OpensOnTheTargetStore)
{
    makeLocalContainer(L"Ключ", L"Сидоров Сидор");
    MainWindow *window = openWindow();
    setTick(window->chooseStoreCheck(), true);
    pick(window->storeCombo(), L"Доверенные корневые центры сертификации");

    click(window->viewStoreButton());

    const auto editors = openWindows<test::StoreViewDialog>();
    ASSERT_EQ(editors.size(), 1u);
    EXPECT_EQ(pageTitlesOf(editors[0]), (std::vector<wxString>{L"Доверенные корневые центры сертификации"}));
}

TEST_F(StoreEditor, OpensOnTheTargetStoreFile)
{
    makeLocalContainer(L"Ключ", L"Сидоров Сидор");
    MainWindow *window = openWindow();
    setTick(window->chooseStoreCheck(), true);
    window->fileToChoose = wide(path("chosen.sst"));
    guitest::dialogs().queueAnswer(wxID_OK);
    pick(window->storeCombo(), L"Из файла...");

    click(window->viewStoreButton());

    const auto editors = openWindows<test::StoreViewDialog>();
    ASSERT_EQ(editors.size(), 1u);
    EXPECT_EQ(pageTitlesOf(editors[0]), (std::vector<wxString>{wxString(wide(path("chosen.sst")))}));
}

TEST_F(StoreEditor, AStoreThatCannotBeOpenedIsReported)
{
    makeLocalContainer(L"Ключ", L"Сидоров Сидор");
    MainWindow *window = openWindow();
    setTick(window->chooseStoreCheck(), true);
    // A folder is no store file.
    std::filesystem::create_directories(path("folder.sst"));
    window->fileToChoose = wide(path("folder.sst"));
    guitest::dialogs().queueAnswer(wxID_OK);
    pick(window->storeCombo(), L"Из файла...");
    guitest::dialogs().reset();

    click(window->viewStoreButton());

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, wxString(L"Ошибка"));
    EXPECT_FALSE(boxes[0].message.empty());
    EXPECT_EQ(boxes[0].style, wxOK | wxICON_INFORMATION);
    EXPECT_EQ(boxes[0].parent, window);
    EXPECT_TRUE(openWindows<test::StoreViewDialog>().empty());
}

} // namespace
