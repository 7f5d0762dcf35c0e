// The installation window: choose a provider and one of its key containers, look at the
// container's certificate, and install it, linked to its key, into a certificate store.
#pragma once

#include "app/wxmaindialog.h"
#include "crypto/installselection.h"

#include <windows.h>

#include <vector>

class wxFileDialog;

class CryptoMainDialog : public wxMainDialog {
public:
    CryptoMainDialog(wxWindow *parent, wxWindowID id, const wxString &title);
    ~CryptoMainDialog() override;

    // The start-up runs once, before the window first appears: its boxes come first, as
    // the window's design has it. (GTK sends the init event only after showing.)
    bool Show(bool show = true) override;
    void InitDialog() override;

protected:
    void OnClose(wxCloseEvent &event) override;
    void OnIdle(wxIdleEvent &event) override;
    void OnInitDialog(wxInitDialogEvent &event) override;
    void OnProviderChanged(wxCommandEvent &event) override;
    void OnContainerChanged(wxCommandEvent &event) override;
    // The list of containers, as it opens and when the window is activated again, lists what
    // the provider sees now (a container made or imported meanwhile, a token inserted),
    // keeping the choice; it asks nothing. (GTK opens no empty list.)
    void OnContainerListOpening(wxCommandEvent &event) override;
    void OnActivate(wxActivateEvent &event) override;
    void relistContainers();
    void OnViewCertificate(wxCommandEvent &event) override;
    void OnStoreChanged(wxCommandEvent &event) override;
    void OnViewStore(wxCommandEvent &event) override;
    void OnChooseStoreToggled(wxCommandEvent &event) override;
    void OnInstall(wxCommandEvent &event) override;

    // Lists the providers, proposes the GOST provider and searches its containers.
    void fillProviders();
    // Lists the containers of the chosen provider; asks for the key medium while there are none.
    void searchContainers();
    // Lists the system stores and proposes the one Crypto.cfg names.
    void fillStores();

    // The file the user confirmed in the store file dialog. Tests answer the dialog through a
    // hook, which leaves the dialog's own path empty, and give the path here instead.
    virtual wxString chosenPath(const wxFileDialog &dialog) const;

    InstallSelection m_selection;
    // One provider type per provider item, in item order; each item points at its own.
    std::vector<DWORD> m_providerTypes;

private:
    bool m_started = false;
    // Whether the store list holds the entry of a store file (its path, before "Из файла...").
    bool m_hasFileItem = false;

    void fitContent();
    int showMessage(const wxString &text, const wxString &caption, long style);
    // Shows in the store list the entry of the store that is the target now; a store file
    // by its path.
    void showTargetStore();
    // The item of the store file's entry, or wxNOT_FOUND.
    int fileItem() const;
};
