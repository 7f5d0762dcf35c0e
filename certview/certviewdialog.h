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
    // Destroys a modeless dialog (at the next idle time); ends a modal run, after which
    // the opener destroys the dialog.
    void OnOkButton(wxCommandEvent &event) override;

private:
    // The Russian labels in their bold font take more room than the placeholders did,
    // more than 480 pixels leave beside the fields where labels are drawn large (GTK):
    // the dialog grows until the fields show whole, never below the size it was given;
    // the user may make it larger.
    void growToFit();
    // Makes the fields as wide as the longest value needs, as far as the display of
    // `opener` has room.
    void widenFieldsForValues(const wxWindow *opener);
    void OnShown(wxShowEvent &event);
    // Escape ends the dialog as OK does, modal or not.
    void OnCharHook(wxKeyEvent &event);
};
