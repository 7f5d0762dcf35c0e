// The installation window under test: a window that exposes its controls, key media made
// by the keymedium tool, and the configuration files the window reads, all in folders of
// the running test.
#pragma once

#include "app/cryptomaindialog.h"
#include "crypto/certificate.h"

#include "guitest.h"

#include <wx/filedlg.h>

#include <string>
#include <vector>

namespace apptest {

extern const wchar_t kGostProvider[];
extern const wchar_t kTitle[];

// The window, with its controls in reach and the store file dialog's answer given by the
// test.
class MainWindow : public CryptoMainDialog {
public:
    MainWindow();

    wxStaticText *providerLabel() const { return m_providerLabel; }
    wxComboBox *providerCombo() const { return m_providerCombo; }
    wxStaticText *containerLabel() const { return m_containerLabel; }
    wxComboBox *containerCombo() const { return m_containerCombo; }
    wxButton *viewCertificateButton() const { return m_viewCertificateButton; }
    wxCheckBox *allContainersCheck() const { return m_allContainersCheck; }
    wxStaticText *storeLabel() const { return m_storeLabel; }
    wxComboBox *storeCombo() const { return m_storeCombo; }
    wxBitmapButton *viewStoreButton() const { return m_viewStoreButton; }
    wxCheckBox *chooseStoreCheck() const { return m_chooseStoreCheck; }
    wxButton *installButton() const { return m_installButton; }

    // What the user picks in the store file dialog when the hook answers it with OK.
    wxString fileToChoose;

protected:
    wxString chosenPath(const wxFileDialog &) const override { return fileToChoose; }
};

// What the user does, as the toolkit reports it to the window.
void pick(wxComboBox *combo, int item);
void pick(wxComboBox *combo, const wxString &text);
void click(wxButton *button);
void setTick(wxCheckBox *check, bool on);

// The texts of a combo box's items, in order.
std::vector<wxString> itemsOf(const wxComboBox *combo);

class MainWindowTest : public guitest::GuiTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Creates the window and shows it, which runs its start-up; boxes are answered by the
    // hook (queue the answers first).
    MainWindow *openWindow();

    // A container of the GOST provider with a new key and a self-signed certificate whose
    // subject is /CN=`commonName`: in the local key folder, or on a medium (a folder under
    // the media mount folder, made when missing).
    void makeLocalContainer(const std::wstring &name, const std::wstring &commonName);
    void makeContainerOnMedium(const std::string &medium, const std::wstring &name, const std::wstring &commonName);
    // A container in any key folder, e.g. one that providers.conf names as a reader.
    void makeContainerIn(const std::string &keyFolder, const std::wstring &name, const std::wstring &commonName);
    void removeMedium(const std::string &medium);
    // A container in the local key folder that holds a private key and no certificate.
    void importKeyOnly(const std::wstring &name, const std::string &privateKeyFile);

    void writeCryptoConfig(const std::string &text);
    void writeProviderConfig(const std::string &text);

    // A path in the test's own folder.
    std::string path(const std::string &name) const { return home().file(name); }

    // The certificates of a current-user system store, or of a store file.
    std::vector<crypto::CryptoCertificate> systemStore(const std::wstring &name) const;
    std::vector<crypto::CryptoCertificate> storeFile(const std::string &path) const;

    // The unique name under which the GOST provider knows a container.
    std::wstring uniqueNameOf(const std::wstring &container) const;

    // The open top-level windows of a kind.
    template <class Window>
    std::vector<Window *> openWindows() const
    {
        std::vector<Window *> found;
        for (wxWindowList::compatibility_iterator node = wxTopLevelWindows.GetFirst(); node; node = node->GetNext())
            if (auto *window = dynamic_cast<Window *>(node->GetData()); window && !window->IsBeingDeleted())
                found.push_back(window);
        return found;
    }

private:
    std::string m_savedLocale;
};

std::string utf8(const std::wstring &text);
std::wstring wide(const std::string &utf8Text);

} // namespace apptest
