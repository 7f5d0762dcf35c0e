// Searching the key containers of a provider: the question when no medium is inserted,
// other providers, and choosing a container.
#include "mainwindowtest.h"

#include "crypto/cryptexception.h"

#include <functional>

using namespace apptest;
using crypto::systemErrorText;

namespace {

const wchar_t kNoMediumText[] = L"Убедитесь, что вставлен ключевой носитель.\nОсуществить поиск контейнеров снова?";
const wchar_t kNoMediumCaption[] = L"Отсутствует носитель";

class ContainerSearch : public MainWindowTest {
protected:
    // Runs `action` when the next dialog comes up, before the hook answers it.
    void whenAsked(std::function<void()> action)
    {
        guitest::dialogs().onEnter([action, done = false](wxDialog &) mutable {
            if (!done) {
                done = true;
                action();
            }
        });
    }
};

TEST_F(ContainerSearch, AsksForTheMediumWhenNoContainerIsFound)
{
    guitest::dialogs().queueAnswer(wxID_NO);
    MainWindow *window = openWindow();

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    // The question, then where containers are looked for and how one is made.
    EXPECT_TRUE(boxes[0].message.StartsWith(kNoMediumText)) << boxes[0].message.utf8_string();
    EXPECT_NE(boxes[0].message.find(wide(path("keys"))), wxString::npos);
    EXPECT_NE(boxes[0].message.find(wide(path("media"))), wxString::npos);
    EXPECT_NE(boxes[0].message.find(L"keymedium"), wxString::npos);
    EXPECT_EQ(boxes[0].caption, wxString(kNoMediumCaption));
    EXPECT_EQ(boxes[0].style, wxYES_NO | wxICON_QUESTION);
    EXPECT_EQ(window->containerCombo()->GetCount(), 0u);
}

// A container made (or imported) after the search shows when the list opens or the window
// is activated, without a question; the one chosen stays chosen.
TEST_F(ContainerSearch, TheListOpeningListsWhatTheProviderSeesNow)
{
    makeLocalContainer(L"Первый", L"Первый владелец");
    MainWindow *window = openWindow();
    pick(window->containerCombo(), L"Первый");
    makeLocalContainer(L"Второй", L"Второй владелец");

    wxCommandEvent opening(wxEVT_COMBOBOX_DROPDOWN, window->containerCombo()->GetId());
    opening.SetEventObject(window->containerCombo());
    window->containerCombo()->GetEventHandler()->ProcessEvent(opening);

    EXPECT_EQ(window->containerCombo()->GetCount(), 2u);
    EXPECT_EQ(window->containerCombo()->GetStringSelection(), wxString(L"Первый"));
    EXPECT_TRUE(window->installButton()->IsEnabled());

    // Coming back to the window does the same: GTK opens no list while it is empty.
    makeLocalContainer(L"Третий", L"Третий владелец");
    wxActivateEvent activated(wxEVT_ACTIVATE, true, window->GetId());
    window->GetEventHandler()->ProcessEvent(activated);

    EXPECT_EQ(window->containerCombo()->GetCount(), 3u);
    EXPECT_TRUE(guitest::dialogs().messageBoxes().empty());
}

TEST_F(ContainerSearch, AsksOverTheWindowOnceItIsShown)
{
    makeContainerOnMedium("stick", L"На носителе", L"Владелец носителя");
    MainWindow *window = openWindow();
    removeMedium("stick");
    guitest::dialogs().queueAnswer(wxID_NO);

    pick(window->providerCombo(), kGostProvider);

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, wxString(kNoMediumCaption));
    EXPECT_EQ(boxes[0].parent, window);
    EXPECT_EQ(window->containerCombo()->GetCount(), 0u);
}

TEST_F(ContainerSearch, AsksBeforeTheWindowAppears)
{
    auto *window = new MainWindow();
    bool shownWhenAsked = true;
    guitest::dialogs().onEnter([&](wxDialog &) { shownWhenAsked = window->IsShown(); });
    guitest::dialogs().queueAnswer(wxID_NO);

    window->Show(true);

    EXPECT_EQ(guitest::dialogs().messageBoxes().size(), 1u);
    EXPECT_FALSE(shownWhenAsked);
}

TEST_F(ContainerSearch, AnsweredNoLeavesTheListEmptyAndTheActionsGrey)
{
    guitest::dialogs().queueAnswer(wxID_NO);
    MainWindow *window = openWindow();

    EXPECT_EQ(window->containerCombo()->GetCount(), 0u);
    EXPECT_FALSE(window->viewCertificateButton()->IsEnabled());
    EXPECT_FALSE(window->installButton()->IsEnabled());
}

TEST_F(ContainerSearch, AnsweredYesAfterInsertingTheMediumListsItsContainers)
{
    whenAsked([this] { makeContainerOnMedium("stick", L"Вставленный", L"Владелец"); });
    guitest::dialogs().queueAnswer(wxID_YES);
    MainWindow *window = openWindow();

    EXPECT_EQ(guitest::dialogs().messageBoxes().size(), 1u);
    EXPECT_EQ(itemsOf(window->containerCombo()), (std::vector<wxString>{L"Вставленный"}));
    EXPECT_EQ(window->containerCombo()->GetSelection(), wxNOT_FOUND);
}

TEST_F(ContainerSearch, FiveAnswersYesMeanSixSearches)
{
    for (int i = 0; i < 5; ++i)
        guitest::dialogs().queueAnswer(wxID_YES);
    guitest::dialogs().queueAnswer(wxID_NO);
    MainWindow *window = openWindow();

    EXPECT_EQ(guitest::dialogs().messageBoxes().size(), 6u);
    EXPECT_EQ(guitest::dialogs().pendingAnswers(), 0u);
    EXPECT_EQ(window->containerCombo()->GetCount(), 0u);
    EXPECT_FALSE(window->installButton()->IsEnabled());
}

TEST_F(ContainerSearch, PickingAContainerEnablesViewingAndInstalling)
{
    makeLocalContainer(L"Первый", L"Первый владелец");
    makeLocalContainer(L"Второй", L"Второй владелец");
    MainWindow *window = openWindow();

    pick(window->containerCombo(), L"Первый");

    EXPECT_TRUE(window->viewCertificateButton()->IsEnabled());
    EXPECT_TRUE(window->installButton()->IsEnabled());
    EXPECT_FALSE(window->allContainersCheck()->IsEnabled());
    EXPECT_TRUE(guitest::dialogs().records().empty());
}

class OtherProviders : public ContainerSearch {
protected:
    void SetUp() override
    {
        ContainerSearch::SetUp();
        makeContainerIn(path("other-keys"), L"Чужой", L"Владелец чужого");
        writeProviderConfig("[Other Test Provider]\ntype = 80\nreader = OTHER " + path("other-keys") + "\n");
        makeLocalContainer(L"Свой", L"Владелец своего");
    }
};

TEST_F(OtherProviders, AreListedAfterTheGostProviderWhichStaysProposed)
{
    MainWindow *window = openWindow();

    EXPECT_EQ(itemsOf(window->providerCombo()),
              (std::vector<wxString>{kGostProvider, L"Other Test Provider"}));
    EXPECT_EQ(window->providerCombo()->GetStringSelection(), wxString(kGostProvider));
    EXPECT_EQ(itemsOf(window->containerCombo()), (std::vector<wxString>{L"Свой"}));
}

TEST_F(OtherProviders, PickingOneSearchesItWithItsOwnType)
{
    MainWindow *window = openWindow();

    pick(window->providerCombo(), L"Other Test Provider");

    // Opened with the GOST provider's type the platform would refuse the provider.
    EXPECT_TRUE(guitest::dialogs().records().empty());
    EXPECT_EQ(itemsOf(window->containerCombo()), (std::vector<wxString>{L"Чужой"}));
}

TEST_F(OtherProviders, PickingOneDropsTheChosenContainer)
{
    MainWindow *window = openWindow();
    pick(window->containerCombo(), L"Свой");

    pick(window->providerCombo(), L"Other Test Provider");

    EXPECT_EQ(window->containerCombo()->GetSelection(), wxNOT_FOUND);
    EXPECT_FALSE(window->viewCertificateButton()->IsEnabled());
    EXPECT_FALSE(window->installButton()->IsEnabled());
}

TEST_F(OtherProviders, OneThatRefusesAContextIsReported)
{
    MainWindow *window = openWindow();
    // The list was read at start; the provider's type has changed in the file since.
    writeProviderConfig("[Other Test Provider]\ntype = 81\n");

    pick(window->providerCombo(), L"Other Test Provider");

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, wxString(L"Ошибка создания провайдера"));
    EXPECT_EQ(boxes[0].message, wxString(systemErrorText(static_cast<DWORD>(NTE_PROV_TYPE_NO_MATCH))));
    EXPECT_EQ(boxes[0].style, wxOK | wxICON_INFORMATION);
    EXPECT_EQ(window->containerCombo()->GetCount(), 0u);
    EXPECT_FALSE(window->installButton()->IsEnabled());
}

} // namespace
