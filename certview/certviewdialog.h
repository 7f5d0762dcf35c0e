// The certificate properties dialog: one certificate's texts, read only.
#pragma once

#include "certview/wxcertviewdialog.h"

namespace crypto {
class CryptoCertificate;
}

class CertViewDialog : public wxCertViewDialog {
public:
    // Copies every text out of `certificate`, which the caller may release at once.
    // Throws crypto::CryptException when the key identifier cannot be decoded.
    CertViewDialog(const crypto::CryptoCertificate &certificate, wxWindow *parent, const wxString &title);
    ~CertViewDialog() override;

protected:
    // Destroys the dialog: a modeless one goes at the next idle time, a modal run ends.
    void OnOkButton(wxCommandEvent &event) override;
};
