// "Просмотр св-в сертификата": the properties of the chosen container's certificate in a
// dialog of their own.
#include "mainwindowtest.h"

#include "certview/certviewdialog.h"

#include <wx/textctrl.h>

#include <filesystem>

using namespace apptest;

namespace {

// The texts of a window's text fields, its nested ones included.
void collectFields(const wxWindow *window, std::vector<wxString> &out)
{
    for (const wxWindow *child : window->GetChildren()) {
        if (auto *field = dynamic_cast<const wxTextCtrl *>(child))
            out.push_back(field->GetValue());
        collectFields(child, out);
    }
}

class CertificateView : public MainWindowTest {};

TEST_F(CertificateView, OpensAModelessPropertiesDialogOwnedByTheWindow)
{
    makeLocalContainer(L"Контейнер", L"Петров Пётр");
    MainWindow *window = openWindow();
    pick(window->containerCombo(), L"Контейнер");

    click(window->viewCertificateButton());

    const auto dialogs = openWindows<CertViewDialog>();
    ASSERT_EQ(dialogs.size(), 1u);
    EXPECT_EQ(dialogs[0]->GetParent(), window);
    EXPECT_EQ(dialogs[0]->GetTitle(), wxString(L"Свойства сертификата"));
    EXPECT_TRUE(dialogs[0]->IsShown());
    EXPECT_FALSE(dialogs[0]->IsModal());
    EXPECT_TRUE(guitest::dialogs().records().empty());
}

TEST_F(CertificateView, TheDialogKeepsShowingTheCertificateAfterTheKeyIsReleased)
{
    makeLocalContainer(L"Контейнер", L"Петров Пётр");
    MainWindow *window = openWindow();
    pick(window->containerCombo(), L"Контейнер");
    click(window->viewCertificateButton());
    // Even the medium may go: the dialog holds texts, not the certificate.
    std::filesystem::remove_all(path("keys"));
    guitest::processEvents();

    const auto dialogs = openWindows<CertViewDialog>();
    ASSERT_EQ(dialogs.size(), 1u);
    std::vector<wxString> fields;
    collectFields(dialogs[0], fields);
    EXPECT_NE(std::find(fields.begin(), fields.end(), wxString(L"Петров Пётр")), fields.end());
}

TEST_F(CertificateView, EachClickOpensAnotherDialog)
{
    makeLocalContainer(L"Контейнер", L"Петров Пётр");
    MainWindow *window = openWindow();
    pick(window->containerCombo(), L"Контейнер");

    click(window->viewCertificateButton());
    click(window->viewCertificateButton());

    EXPECT_EQ(openWindows<CertViewDialog>().size(), 2u);
}

TEST_F(CertificateView, AContainerWithoutACertificateIsReported)
{
    // A container holding only a private key: copy the key of a made container.
    makeContainerIn(path("scratch"), L"Образец", L"Образец");
    std::string keyFile;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(path("scratch")))
        if (entry.path().filename() == "private.pem")
            keyFile = entry.path().string();
    ASSERT_FALSE(keyFile.empty());
    importKeyOnly(L"Без сертификата", keyFile);
    MainWindow *window = openWindow();
    pick(window->containerCombo(), L"Без сертификата");

    click(window->viewCertificateButton());

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, wxString(L"Ошибка создания сертификата"));
    EXPECT_FALSE(boxes[0].message.empty());
    EXPECT_EQ(boxes[0].style, wxOK | wxICON_INFORMATION);
    EXPECT_EQ(boxes[0].parent, window);
    EXPECT_TRUE(openWindows<CertViewDialog>().empty());
    EXPECT_TRUE(window->installButton()->IsEnabled());
}

} // namespace
