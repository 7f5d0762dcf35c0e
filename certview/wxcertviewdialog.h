// Layout of the certificate properties dialog: eight labelled read-only fields and OK.
#pragma once

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

class wxCertViewDialog : public wxDialog {
public:
    wxCertViewDialog(wxWindow *parent, wxWindowID id = wxID_ANY, const wxString &title = wxEmptyString,
                     const wxPoint &pos = wxDefaultPosition, const wxSize &size = wxDefaultSize,
                     long style = wxDEFAULT_DIALOG_STYLE);
    ~wxCertViewDialog() override;

protected:
    // Click of the OK button; by default the toolkit's own handling follows.
    virtual void OnOkButton(wxCommandEvent &event) { event.Skip(); }

    wxStaticText *m_nameLabel;
    wxTextCtrl *m_nameText;
    wxStaticText *m_subjectLabel;
    wxTextCtrl *m_subjectText;
    wxStaticText *m_keyIdLabel;
    wxTextCtrl *m_keyIdText;
    wxStaticText *m_issuerLabel;
    wxTextCtrl *m_issuerText;
    wxStaticText *m_validFromLabel;
    wxTextCtrl *m_validFromText;
    wxStaticText *m_validToLabel;
    wxTextCtrl *m_validToText;
    wxStaticText *m_serialLabel;
    wxTextCtrl *m_serialText;
    wxStaticText *m_privateKeyLabel;
    wxTextCtrl *m_privateKeyText;
    wxStdDialogButtonSizer *m_buttonSizer;
    wxButton *m_okButton;
};
