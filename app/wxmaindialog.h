// Layout of the installation window: its controls, sizers and event bindings. The
// behaviour lives in CryptoMainDialog, which overrides the handlers.
#pragma once

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/dialog.h>
#include <wx/stattext.h>

class wxMainDialog : public wxDialog {
public:
    wxMainDialog(wxWindow *parent, wxWindowID id, const wxString &title, const wxPoint &pos, const wxSize &size,
                 long style);
    ~wxMainDialog() override;

protected:
    wxStaticText *m_providerLabel;
    wxComboBox *m_providerCombo;
    wxStaticText *m_containerLabel;
    wxComboBox *m_containerCombo;
    wxButton *m_viewCertificateButton;
    wxCheckBox *m_allContainersCheck;
    wxStaticText *m_storeLabel;
    wxComboBox *m_storeCombo;
    wxBitmapButton *m_viewStoreButton;
    wxCheckBox *m_chooseStoreCheck;
    wxButton *m_installButton;

    // Each default passes the event on; CryptoMainDialog gives them their work.
    virtual void OnClose(wxCloseEvent &event) { event.Skip(); }
    virtual void OnIdle(wxIdleEvent &event) { event.Skip(); }
    virtual void OnInitDialog(wxInitDialogEvent &event) { event.Skip(); }
    virtual void OnProviderChanged(wxCommandEvent &event) { event.Skip(); }
    virtual void OnContainerChanged(wxCommandEvent &event) { event.Skip(); }
    virtual void OnContainerListOpening(wxCommandEvent &event) { event.Skip(); }
    virtual void OnActivate(wxActivateEvent &event) { event.Skip(); }
    virtual void OnViewCertificate(wxCommandEvent &event) { event.Skip(); }
    virtual void OnStoreChanged(wxCommandEvent &event) { event.Skip(); }
    virtual void OnViewStore(wxCommandEvent &event) { event.Skip(); }
    virtual void OnChooseStoreToggled(wxCommandEvent &event) { event.Skip(); }
    virtual void OnInstall(wxCommandEvent &event) { event.Skip(); }
};
