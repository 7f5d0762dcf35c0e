#include "certview/wxcertviewdialog.h"

#include "certview/infocolours.h"

#include <wx/statbox.h>

namespace {

wxStaticText *makeLabel(wxWindow *parent, const wxString &text)
{
    auto *label = new wxStaticText(parent, wxID_ANY, text, wxDefaultPosition, wxDefaultSize, 0, L"staticText");
    label->Wrap(-1);
    label->SetFont(wxFont(wxNORMAL_FONT->GetPointSize(), wxFONTFAMILY_ROMAN, wxFONTSTYLE_NORMAL,
                          wxFONTWEIGHT_BOLD, false, wxEmptyString));
    label->SetForegroundColour(captionColour());
    return label;
}

wxTextCtrl *makeField(wxWindow *parent, int minWidth)
{
    auto *field = new wxTextCtrl(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, wxTE_READONLY,
                                 wxDefaultValidator, L"text");
    field->SetFont(wxFont(8, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false, wxEmptyString));
    paintAsInfo(field);
    field->SetMinSize(wxSize(minWidth, 20));
    return field;
}

} // namespace

wxCertViewDialog::wxCertViewDialog(wxWindow *parent, wxWindowID id, const wxString &title, const wxPoint &pos,
                                   const wxSize &size, long style)
    : wxDialog(parent, id, title, pos, size, style, L"dialog")
{
    SetSizeHints(wxDefaultSize, wxDefaultSize);

    auto *mainSizer = new wxBoxSizer(wxVERTICAL);
    auto *groupSizer = new wxStaticBoxSizer(
        new wxStaticBox(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0, L"groupBox"),
        wxVERTICAL);
    wxWindow *group = groupSizer->GetStaticBox();

    // Rows follow from the two columns and the cells added.
    auto *grid = new wxFlexGridSizer(0, 2, 0, 0);
    grid->SetFlexibleDirection(wxHORIZONTAL);
    grid->SetNonFlexibleGrowMode(wxFLEX_GROWMODE_NONE);
    // The fields take the width the dialog is given, so that a long value can be seen whole.
    grid->AddGrowableCol(1);

    m_nameLabel = makeLabel(group, L"Name");
    grid->Add(m_nameLabel, 0, wxALL | wxALIGN_BOTTOM, 5);
    m_nameText = makeField(group, 320);
    grid->Add(m_nameText, 0, wxEXPAND, 5);

    m_subjectLabel = makeLabel(group, L"email");
    grid->Add(m_subjectLabel, 0, wxALL | wxALIGN_BOTTOM, 5);
    m_subjectText = makeField(group, 320);
    grid->Add(m_subjectText, 0, wxEXPAND, 5);

    m_keyIdLabel = makeLabel(group, L"Organization");
    grid->Add(m_keyIdLabel, 0, wxALL | wxALIGN_BOTTOM, 5);
    m_keyIdText = makeField(group, 320);
    grid->Add(m_keyIdText, 0, wxEXPAND, 5);

    m_issuerLabel = makeLabel(group, L"Issuer");
    grid->Add(m_issuerLabel, 0, wxALL | wxALIGN_BOTTOM, 5);
    m_issuerText = makeField(group, 320);
    grid->Add(m_issuerText, 0, wxEXPAND, 5);

    m_validFromLabel = makeLabel(group, L"Date Before");
    grid->Add(m_validFromLabel, 0, wxALL | wxALIGN_BOTTOM, 5);
    m_validFromText = makeField(group, 200);
    grid->Add(m_validFromText, 0, wxEXPAND, 5);

    m_validToLabel = makeLabel(group, L"Date After");
    grid->Add(m_validToLabel, 0, wxALL | wxALIGN_BOTTOM, 5);
    m_validToText = makeField(group, 200);
    grid->Add(m_validToText, 0, wxEXPAND, 5);

    m_serialLabel = makeLabel(group, L"SerialNumber");
    grid->Add(m_serialLabel, 0, wxALL, 5);
    m_serialText = makeField(group, 200);
    grid->Add(m_serialText, 0, wxEXPAND, 5);

    m_privateKeyLabel = makeLabel(group, L"Private Key");
    grid->Add(m_privateKeyLabel, 0, wxALL | wxALIGN_BOTTOM, 5);
    m_privateKeyText = makeField(group, 320);
    grid->Add(m_privateKeyText, 0, wxEXPAND, 5);

    groupSizer->Add(grid, 1, wxEXPAND, 5);
    mainSizer->Add(groupSizer, 2, wxEXPAND | wxALL, 5);

    m_buttonSizer = new wxStdDialogButtonSizer();
    m_okButton = new wxButton(this, wxID_OK, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator,
                              L"button");
    m_buttonSizer->AddButton(m_okButton);
    m_buttonSizer->Realize();
    mainSizer->Add(m_buttonSizer, 0, wxALIGN_CENTER_HORIZONTAL, 5);

    SetSizer(mainSizer, true);
    Layout();

    m_okButton->Bind(wxEVT_COMMAND_BUTTON_CLICKED, &wxCertViewDialog::OnOkButton, this);
}

wxCertViewDialog::~wxCertViewDialog()
{
    m_okButton->Unbind(wxEVT_COMMAND_BUTTON_CLICKED, &wxCertViewDialog::OnOkButton, this);
}
