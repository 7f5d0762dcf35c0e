// What the window shows once it has started: Russian labels, the GOST provider proposed,
// the containers of the inserted medium listed and nothing chosen yet.
#include "mainwindowtest.h"

#include "app/cryptoapp.h"
#include "certview/infocolours.h"

#include <wx/stockitem.h>
#include <wx/translation.h>

#include <libintl.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdlib>

using namespace apptest;

namespace {

double luminance(const wxColour &colour)
{
    auto linear = [](unsigned char channel) {
        const double c = channel / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour.Red()) + 0.7152 * linear(colour.Green()) + 0.0722 * linear(colour.Blue());
}

double contrast(const wxColour &a, const wxColour &b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class StartUp : public MainWindowTest {};

TEST_F(StartUp, ShowsTheRussianLabels)
{
    makeLocalContainer(L"Первый", L"Первый владелец");
    MainWindow *window = openWindow();

    EXPECT_EQ(window->GetTitle(), wxString(kTitle));
    EXPECT_EQ(window->providerLabel()->GetLabel(), wxString(L"Выберите CSP для поиска ключевых контейнеров"));
    EXPECT_EQ(window->containerLabel()->GetLabel(), wxString(L"Имя ключевого контейнера"));
    EXPECT_EQ(window->storeLabel()->GetLabel(), wxString(L"Хранилище сертификатов"));
    EXPECT_EQ(window->viewCertificateButton()->GetLabel(), wxString(L"Просмотр св-в сертификата"));
    EXPECT_EQ(window->installButton()->GetLabel(), wxString(L"Установить"));
    EXPECT_EQ(window->chooseStoreCheck()->GetLabel(), wxString(L"выбрать хранилище сертификатов"));
    EXPECT_EQ(window->allContainersCheck()->GetLabel(), wxString(L"сертификаты из всех контейнеров"));
    EXPECT_EQ(window->viewStoreButton()->GetToolTipText(), wxString(L"Просмотр хранилища сертификатов"));
}

TEST_F(StartUp, IsAnOrdinaryWindowWithTheProgramIcon)
{
    MainWindow *window = openWindow();

    // A window of the dialog type that belongs to no window stays above the editors.
#ifdef __WXGTK__
    EXPECT_FALSE(window->GetExtraStyle() & wxTOPLEVEL_EX_DIALOG);
#endif
    EXPECT_FALSE(window->HasFlag(wxSTAY_ON_TOP));
    EXPECT_EQ(window->GetParent(), nullptr);
    EXPECT_FALSE(window->GetIcons().IsEmpty());
}

TEST_F(StartUp, GreysOutBothActionsTheStoreListAndTheAllContainersBox)
{
    makeLocalContainer(L"Первый", L"Первый владелец");
    MainWindow *window = openWindow();

    EXPECT_FALSE(window->viewCertificateButton()->IsEnabled());
    EXPECT_FALSE(window->installButton()->IsEnabled());
    EXPECT_FALSE(window->storeCombo()->IsEnabled());
    EXPECT_FALSE(window->allContainersCheck()->IsEnabled());
    EXPECT_TRUE(window->providerCombo()->IsEnabled());
    EXPECT_TRUE(window->containerCombo()->IsEnabled());
    EXPECT_TRUE(window->chooseStoreCheck()->IsEnabled());
    EXPECT_FALSE(window->chooseStoreCheck()->IsChecked());
}

TEST_F(StartUp, ProposesTheGostProviderAndListsItsContainersWithNoneChosen)
{
    makeLocalContainer(L"Первый", L"Первый владелец");
    makeLocalContainer(L"Второй", L"Второй владелец");
    MainWindow *window = openWindow();

    EXPECT_EQ(window->providerCombo()->GetStringSelection(), wxString(kGostProvider));
    // The platform lists the local key folder's containers by their names' code points.
    EXPECT_EQ(itemsOf(window->containerCombo()), (std::vector<wxString>{L"Второй", L"Первый"}));
    EXPECT_EQ(window->containerCombo()->GetSelection(), wxNOT_FOUND);
    EXPECT_TRUE(guitest::dialogs().records().empty());
}

TEST_F(StartUp, ListsTheContainersOfAnInsertedMedium)
{
    makeContainerOnMedium("stick", L"На носителе", L"Владелец носителя");
    MainWindow *window = openWindow();

    EXPECT_EQ(itemsOf(window->containerCombo()), (std::vector<wxString>{L"На носителе"}));
}

TEST_F(StartUp, TheToolkitsOwnTextsSpeakTheUsersLanguage)
{
    // Stock labels, and one of GTK's own texts: the file chooser's recent files.
    const auto texts = [] {
        return std::vector<wxString>{wxGetStockLabel(wxID_YES), wxGetStockLabel(wxID_NO), wxGetStockLabel(wxID_OK),
                                     wxGetStockLabel(wxID_CANCEL), wxString::FromUTF8(dgettext("gtk30", "Recent"))};
    };
    useUserLocale(); // a Russian user: the fixture sets LC_ALL
    EXPECT_EQ(texts(), (std::vector<wxString>{L"&Да", L"&Нет", L"&ОК", L"&Отмена", L"Недавние"}));
    ::setenv("LC_ALL", "en_US.UTF-8", 1);
    useUserLocale();
    EXPECT_EQ(texts(), (std::vector<wxString>{L"&Yes", L"&No", L"&OK", L"&Cancel", L"Recent"}));
    std::setlocale(LC_ALL, "C"); // as the harness started
    wxTranslations::Set(nullptr);
}

TEST_F(StartUp, CannotBeResizedMinimisedOrMaximised)
{
    MainWindow *window = openWindow();

    const long style = window->GetWindowStyleFlag();
    EXPECT_TRUE(style & wxCAPTION);
    EXPECT_TRUE(style & wxSYSTEM_MENU);
    EXPECT_TRUE(style & wxCLOSE_BOX);
    EXPECT_FALSE(style & wxRESIZE_BORDER);
    EXPECT_FALSE(style & wxMINIMIZE_BOX);
    EXPECT_FALSE(style & wxMAXIMIZE_BOX);
}

TEST_F(StartUp, ShowsEveryControlWholeInsideTheWindow)
{
    makeLocalContainer(L"Первый", L"Первый владелец");
    MainWindow *window = openWindow();
    guitest::processEvents();

    const wxRect client(window->GetClientSize());
    for (wxWindow *control : window->GetChildren()) {
        if (!control->IsShown())
            continue;
        const wxRect rect = control->GetRect();
        EXPECT_TRUE(client.Contains(rect)) << control->GetClassInfo()->GetClassName() << " at " << rect.x << ","
                                           << rect.y << " " << rect.width << "x" << rect.height;
    }
    // Texts fit their controls: the Russian labels are longer than the placeholders.
    for (wxWindow *labelled : std::initializer_list<wxWindow *>{
             window->providerLabel(), window->containerLabel(), window->storeLabel(),
             window->viewCertificateButton(), window->allContainersCheck(), window->chooseStoreCheck(),
             window->installButton()}) {
        EXPECT_GE(labelled->GetSize().x, labelled->GetBestSize().x) << labelled->GetLabel().utf8_string();
        EXPECT_GE(labelled->GetSize().y, labelled->GetBestSize().y) << labelled->GetLabel().utf8_string();
    }
}

TEST_F(StartUp, DrawsTheCaptionsBoldInDarkBlue)
{
    MainWindow *window = openWindow();

    for (wxWindow *caption : std::initializer_list<wxWindow *>{window->providerLabel(), window->containerLabel(),
                                                               window->storeLabel(), window->chooseStoreCheck()}) {
        EXPECT_EQ(caption->GetForegroundColour(), wxColour(0, 64, 128)) << caption->GetLabel().utf8_string();
        EXPECT_EQ(caption->GetFont().GetWeight(), wxFONTWEIGHT_BOLD) << caption->GetLabel().utf8_string();
    }
}

TEST_F(StartUp, DrawsTheListsInTheInfoColoursWithTheTextReadable)
{
    MainWindow *window = openWindow();

    for (wxComboBox *combo : {window->providerCombo(), window->containerCombo(), window->storeCombo()}) {
        EXPECT_EQ(combo->GetBackgroundColour(), infoColours().background);
        EXPECT_EQ(combo->GetForegroundColour(), infoColours().text);
        // The contrast that text needs to be read with ease (WCAG: at least 4.5 to 1).
        EXPECT_GE(contrast(combo->GetForegroundColour(), combo->GetBackgroundColour()), 4.5);
    }
}

} // namespace
