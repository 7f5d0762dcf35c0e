#include "app/wxmaindialog.h"

#include "certview/infocolours.h"
#include "resources/bitmaps.h"
#include "resources/resource.h"

#include <wx/sizer.h>
#include <wx/statbox.h>

#include <algorithm>

namespace {

// The view-certificate button asks for a light font. Windows' dialog fonts have no lighter
// face, so its text looks normal there; where the font has an extra-light face (GTK's
// default, DejaVu Sans) the text of the enabled button would look greyed out.
#ifdef __WXMSW__
const wxFontWeight kViewButtonWeight = wxFONTWEIGHT_LIGHT;
#else
const wxFontWeight kViewButtonWeight = wxFONTWEIGHT_NORMAL;
#endif

// Read-only wins over the other two: a drop-down list whose text cannot be typed. wxMSW
// sizes (and refuses to drop down) any combo that carries wxCB_SIMPLE as a simple one, its
// list always shown, although read-only makes Windows draw a drop-down list: there the
// flag would only break the window.
#ifdef __WXMSW__
const long kComboStyle = wxCB_DROPDOWN | wxCB_READONLY;
#else
const long kComboStyle = wxCB_DROPDOWN | wxCB_READONLY | wxCB_SIMPLE;
#endif

wxComboBox *newCombo(wxWindow *parent)
{
    auto *combo = new wxComboBox(parent, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0, nullptr,
                                 kComboStyle);
    // As wide as its row gives, not as its longest entry asks: a long store name or path
    // would otherwise widen the row past the window and squeeze the buttons beside it.
    combo->SetMinSize(wxSize(80, -1));
    paintAsInfo(combo);
    return combo;
}

wxFont normalSizedFont(wxFontWeight weight)
{
    return wxFont(wxNORMAL_FONT->GetPointSize(), wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, weight, false,
                  wxEmptyString);
}

// The look of the three labels and of the store check box.
void styleAsCaption(wxWindow *window)
{
    window->SetFont(wxFont(10, wxFONTFAMILY_ROMAN, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_BOLD, false, wxEmptyString));
    window->SetForegroundColour(captionColour());
}

wxStaticText *newCaption(wxWindow *parent, const wxString &label)
{
    auto *text = new wxStaticText(parent, wxID_ANY, label, wxDefaultPosition, wxDefaultSize, 0);
    text->Wrap(-1);
    styleAsCaption(text);
    return text;
}

// The sizer that a group's rows go into, inside its frame. Windows keeps a margin inside
// a group's frame; where the toolkit keeps none (GTK), the captions would lie on the
// frame's line, so the rows get that margin here.
wxSizer *rowsInside(wxStaticBoxSizer *frame)
{
    const int margin = 5;
    int top = 0, other = 0;
    frame->GetStaticBox()->GetBordersForSizer(&top, &other);
    auto *rows = new wxBoxSizer(wxVERTICAL);
    frame->Add(rows, 1, wxEXPAND | wxLEFT | wxRIGHT, std::max(0, margin - other));
    return rows;
}

} // namespace

wxMainDialog::wxMainDialog(wxWindow *parent, wxWindowID id, const wxString &title, const wxPoint &pos,
                           const wxSize &size, long style)
{
#ifdef __WXGTK__
    // Window managers (Openbox, KWin, ...) keep a window of the dialog type that belongs to
    // no other window above every window of its program: this one would cover the editors
    // and their file dialogs. Created as a plain top-level window, it is an ordinary one;
    // the dialog type is all that differs (tabbing between controls is asked for here).
    wxTopLevelWindow::Create(parent, id, title, pos, size, style | wxTAB_TRAVERSAL, wxDialogNameStr);
#else
    wxDialog::Create(parent, id, title, pos, size, style);
#endif
    SetSizeHints(wxDefaultSize, wxDefaultSize);

    auto *mainSizer = new wxBoxSizer(wxVERTICAL);

    // Provider, container and the certificate of that container.
    auto *keyFrame = new wxStaticBoxSizer(new wxStaticBox(this, wxID_ANY, wxEmptyString), wxVERTICAL);
    wxSizer *keyGroup = rowsInside(keyFrame);

    m_providerLabel = newCaption(this, L"Provider");
    keyGroup->Add(m_providerLabel, 0, wxALL | wxEXPAND, 0);

    m_providerCombo = newCombo(this);
    m_providerCombo->SetFont(normalSizedFont(wxFONTWEIGHT_NORMAL));
    keyGroup->Add(m_providerCombo, 0, wxALL | wxEXPAND, 5);

    m_containerLabel = newCaption(this, L"Container");
    keyGroup->Add(m_containerLabel, 0, 0, 5);

    m_containerCombo = newCombo(this);
    m_containerCombo->SetFont(normalSizedFont(wxFONTWEIGHT_NORMAL));
    keyGroup->Add(m_containerCombo, 0, wxALL | wxEXPAND, 5);

    auto *certificateRow = new wxBoxSizer(wxHORIZONTAL);
    m_viewCertificateButton = new wxButton(this, wxID_ANY, L"MyButton", wxDefaultPosition, wxDefaultSize,
                                           wxNO_BORDER);
    m_viewCertificateButton->SetFont(normalSizedFont(kViewButtonWeight));
    // Stretched to the row's height; centring as well is a request wxWidgets 3 refuses.
    certificateRow->Add(m_viewCertificateButton, 0, wxALL | wxEXPAND, 5);
    m_allContainersCheck = new wxCheckBox(this, wxID_ANY, L"Check Me!", wxDefaultPosition, wxDefaultSize, 0);
    certificateRow->Add(m_allContainersCheck, 0, wxALL | wxEXPAND, 5);
    keyGroup->Add(certificateRow, 1, wxEXPAND, 5);

    mainSizer->Add(keyFrame, 0, wxEXPAND | wxLEFT | wxRIGHT, 5);

    // The store the certificate goes into.
    auto *storeFrame = new wxStaticBoxSizer(new wxStaticBox(this, wxID_ANY, wxEmptyString), wxVERTICAL);
    wxSizer *storeGroup = rowsInside(storeFrame);

    m_storeLabel = newCaption(this, L"Stores");
    storeGroup->Add(m_storeLabel, 0, wxTOP, 5);

    auto *storeRow = new wxBoxSizer(wxHORIZONTAL);
    m_storeCombo = newCombo(this);
    storeRow->Add(m_storeCombo, 4, wxALL, 5);
    m_viewStoreButton = new wxBitmapButton(this, wxID_ANY, loadBitmap(IDB_PREVIEW), wxDefaultPosition,
                                           wxDefaultSize, wxBU_AUTODRAW);
    m_viewStoreButton->SetToolTip(L"Просмотр хранилища сертификатов");
    m_viewStoreButton->SetMinSize(wxSize(25, 25));
    storeRow->Add(m_viewStoreButton, 1, wxALL, 5);
    storeGroup->Add(storeRow, 0, wxEXPAND, 5);

    m_chooseStoreCheck = new wxCheckBox(this, wxID_ANY, L"Set store manually", wxDefaultPosition, wxDefaultSize, 0);
    styleAsCaption(m_chooseStoreCheck);
    // Spans the group. GTK hands the caption font on to the text inside a check box only
    // when the window is first shown, so until then the box measures narrower than its text
    // will be; given only that width at the showing, it would be squeezed below its minimum.
    storeGroup->Add(m_chooseStoreCheck, 0, wxALL | wxEXPAND, 5);

    mainSizer->Add(storeFrame, 0, wxEXPAND | wxALL, 5);

    m_installButton = new wxButton(this, wxID_ANY, L"Install", wxDefaultPosition, wxDefaultSize, 0);
    m_installButton->SetFont(normalSizedFont(wxFONTWEIGHT_NORMAL));
    mainSizer->Add(m_installButton, 0, wxEXPAND | wxLEFT | wxRIGHT, 5);

    SetSizer(mainSizer);
    Layout();

    Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(wxMainDialog::OnClose));
    Connect(wxEVT_IDLE, wxIdleEventHandler(wxMainDialog::OnIdle));
    Connect(wxEVT_INIT_DIALOG, wxInitDialogEventHandler(wxMainDialog::OnInitDialog));
    Connect(wxEVT_ACTIVATE, wxActivateEventHandler(wxMainDialog::OnActivate));
    m_providerCombo->Connect(wxEVT_COMMAND_TEXT_UPDATED, wxCommandEventHandler(wxMainDialog::OnProviderChanged),
                             nullptr, this);
    m_containerCombo->Connect(wxEVT_COMMAND_TEXT_UPDATED, wxCommandEventHandler(wxMainDialog::OnContainerChanged),
                              nullptr, this);
    m_containerCombo->Connect(wxEVT_COMBOBOX_DROPDOWN, wxCommandEventHandler(wxMainDialog::OnContainerListOpening),
                              nullptr, this);
    m_viewCertificateButton->Connect(wxEVT_COMMAND_BUTTON_CLICKED,
                                     wxCommandEventHandler(wxMainDialog::OnViewCertificate), nullptr, this);
    m_storeCombo->Connect(wxEVT_COMMAND_TEXT_UPDATED, wxCommandEventHandler(wxMainDialog::OnStoreChanged), nullptr,
                          this);
    m_viewStoreButton->Connect(wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(wxMainDialog::OnViewStore), nullptr,
                               this);
    m_chooseStoreCheck->Connect(wxEVT_COMMAND_CHECKBOX_CLICKED,
                                wxCommandEventHandler(wxMainDialog::OnChooseStoreToggled), nullptr, this);
    m_installButton->Connect(wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(wxMainDialog::OnInstall), nullptr,
                             this);
}

wxMainDialog::~wxMainDialog()
{
    Disconnect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(wxMainDialog::OnClose));
    Disconnect(wxEVT_IDLE, wxIdleEventHandler(wxMainDialog::OnIdle));
    Disconnect(wxEVT_INIT_DIALOG, wxInitDialogEventHandler(wxMainDialog::OnInitDialog));
    Disconnect(wxEVT_ACTIVATE, wxActivateEventHandler(wxMainDialog::OnActivate));
    m_providerCombo->Disconnect(wxEVT_COMMAND_TEXT_UPDATED, wxCommandEventHandler(wxMainDialog::OnProviderChanged),
                                nullptr, this);
    m_containerCombo->Disconnect(wxEVT_COMMAND_TEXT_UPDATED,
                                 wxCommandEventHandler(wxMainDialog::OnContainerChanged), nullptr, this);
    m_containerCombo->Disconnect(wxEVT_COMBOBOX_DROPDOWN,
                                 wxCommandEventHandler(wxMainDialog::OnContainerListOpening), nullptr, this);
    m_viewCertificateButton->Disconnect(wxEVT_COMMAND_BUTTON_CLICKED,
                                        wxCommandEventHandler(wxMainDialog::OnViewCertificate), nullptr, this);
    m_storeCombo->Disconnect(wxEVT_COMMAND_TEXT_UPDATED, wxCommandEventHandler(wxMainDialog::OnStoreChanged),
                             nullptr, this);
    m_viewStoreButton->Disconnect(wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(wxMainDialog::OnViewStore),
                                  nullptr, this);
    m_chooseStoreCheck->Disconnect(wxEVT_COMMAND_CHECKBOX_CLICKED,
                                   wxCommandEventHandler(wxMainDialog::OnChooseStoreToggled), nullptr, this);
    m_installButton->Disconnect(wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(wxMainDialog::OnInstall),
                                nullptr, this);
}
