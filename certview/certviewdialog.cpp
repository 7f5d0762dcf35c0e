#include "certview/certviewdialog.h"

#include "certview/windowplacement.h"
#include "crypto/certformat.h"
#include "crypto/certificate.h"
#include "resources/programicon.h"

#include <algorithm>

CertViewDialog::CertViewDialog(const crypto::CryptoCertificate &certificate, wxWindow *parent, const wxString &title)
    : wxCertViewDialog(parent, wxID_ANY, title, wxDefaultPosition, wxSize(480, 361),
                       wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    SetIcons(programIcons());
    // The close box takes the cancel path (ends a modal run, hides a modeless dialog)
    // instead of clicking the only button, OK, as the toolkit would by default.
    SetEscapeId(wxID_CANCEL);

    m_nameLabel->SetLabel(L"Наименование");
    m_subjectLabel->SetLabel(L"Субъект");
    m_keyIdLabel->SetLabel(L"Идентификатор ключа");
    m_issuerLabel->SetLabel(L"Поставщик");
    m_validToLabel->SetLabel(L"Действителен по: ");
    m_validFromLabel->SetLabel(L"Действителен с: ");
    m_serialLabel->SetLabel(L"Серийный номер");
    m_privateKeyLabel->SetLabel(L"Закрытый ключ");

    const std::wstring subject = certificate.subjectName(CERT_X500_NAME_STR);
    m_nameText->SetValue(crypto::extractField(subject, L"CN=", L','));
    m_subjectText->SetValue(subject);
    m_keyIdText->SetValue(certificate.keyIdentifier());
    m_issuerText->SetValue(certificate.issuerName(CERT_X500_NAME_STR));
    m_privateKeyText->SetValue(certificate.keyContainerInfo());
    m_validFromText->SetValue(certificate.notBefore());
    m_validToText->SetValue(certificate.notAfter());
    m_serialText->SetValue(certificate.serialNumber());

    widenFieldsForValues(parent);
    growToFit();
    placeOnDisplayOf(*this, parent);
    Bind(wxEVT_SHOW, &CertViewDialog::OnShown, this);
    Bind(wxEVT_CHAR_HOOK, &CertViewDialog::OnCharHook, this);
}

CertViewDialog::~CertViewDialog()
{
    Unbind(wxEVT_CHAR_HOOK, &CertViewDialog::OnCharHook, this);
    Unbind(wxEVT_SHOW, &CertViewDialog::OnShown, this);
}

void CertViewDialog::widenFieldsForValues(const wxWindow *opener)
{
    wxTextCtrl *const fields[] = {m_nameText,      m_subjectText, m_keyIdText,  m_issuerText,
                                  m_validFromText, m_validToText, m_serialText, m_privateKeyText};
    // The fields share one column, as wide as its widest field's minimum.
    int column = 0, widest = 0;
    for (const wxTextCtrl *field : fields) {
        column = std::max(column, field->GetMinSize().x);
        widest = std::max(widest, field->GetSizeFromTextSize(field->GetTextExtent(field->GetValue()).x).x);
    }
    // What the display leaves beside the labels and the frame; a longer value scrolls.
    const int frameAllowance = 60;
    const int room = workingAreaOf(opener).width - (GetSizer()->GetMinSize().x - column) - frameAllowance;
    const int width = std::max(column, std::min(widest, room));
    for (wxTextCtrl *field : fields)
        field->SetMinSize(wxSize(width, field->GetMinSize().y));
}

void CertViewDialog::growToFit()
{
    const wxSize needed = GetSizer()->GetMinSize();
    // Narrower, the fields would no longer show their values whole.
    SetMinClientSize(needed);
    wxSize client = GetClientSize();
    if (needed.x > client.x || needed.y > client.y) {
        client.IncTo(needed);
        SetClientSize(client);
    }
}

void CertViewDialog::OnShown(wxShowEvent &event)
{
    // Labels and values are measured in their final fonts only once the dialog is on screen.
    if (event.IsShown()) {
        widenFieldsForValues(GetParent());
        growToFit();
        keepOnDisplay(*this);
    }
    event.Skip();
}

void CertViewDialog::OnCharHook(wxKeyEvent &event)
{
    // Escape dismisses the dialog as its only button does. The toolkit would send it the
    // close box's way, the cancel path set above, where without a cancel button it does
    // nothing.
    if (IsEscapeKey(event))
        EmulateButtonClickIfPresent(wxID_OK);
    else
        event.Skip();
}

void CertViewDialog::OnOkButton(wxCommandEvent &)
{
    // A dialog put up for deletion during its modal run would be deleted by that run's
    // idle time, before ShowModal returns: end the run and leave it to the opener.
    if (IsModal())
        EndModal(wxID_OK);
    else
        Destroy();
}
