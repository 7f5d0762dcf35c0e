// The view-store button opens a store editor window on the target store.
#include "mainwindowtest.h"

#include "storeview/storeviewdialog.h"

#include <filesystem>

using namespace apptest;

namespace {

class StoreEditor : public MainWindowTest {};

TEST_F(StoreEditor, EachClickOpensOneMoreEditorWithoutParent)
{
    makeLocalContainer(L"Ключ", L"Сидоров Сидор");
    MainWindow *window = openWindow();

    click(window->viewStoreButton());
    ASSERT_EQ(openWindows<test::StoreViewDialog>().size(), 1u);
    click(window->viewStoreButton());

    const auto editors = openWindows<test::StoreViewDialog>();
    ASSERT_EQ(editors.size(), 2u);
    for (test::StoreViewDialog *editor : editors) {
        EXPECT_EQ(editor->GetParent(), nullptr);
        EXPECT_TRUE(editor->IsShown());
    }
    EXPECT_TRUE(guitest::dialogs().records().empty());
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
