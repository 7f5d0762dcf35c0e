#include "storeview/wxstoreviewex.h"

#include "resources/bitmaps.h"
#include "resources/resource.h"

wxStoreViewEx::wxStoreViewEx(wxWindow *parent, wxWindowID id, const wxString &title, const wxPoint &pos,
                             const wxSize &size, long style)
    : wxFrame(parent, id, title, pos, size, style, L"frame")
{
    SetSizeHints(wxDefaultSize, wxDefaultSize);

    m_mainSizer = new wxBoxSizer(wxVERTICAL);

    // A child placed by the sizer, not the frame's own tool bar.
    m_toolBar = new wxToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                              wxTB_FLAT | wxTB_HORIZONTAL | wxTB_TEXT, L"toolbar");
    auto addTool = [this](int toolId, const wchar_t *label, const wchar_t *bitmap) {
        m_toolBar->AddTool(toolId, label, loadBitmap(bitmap), wxNullBitmap, wxITEM_NORMAL, wxEmptyString,
                           wxEmptyString);
    };
    addTool(ID_NEW, L"New", IDB_NEW);
    addTool(ID_COPY, L"Copy", IDB_COPY);
    addTool(ID_PASTE, L"Paste", IDB_PASTE);
    addTool(ID_DELETE, L"Delete", IDB_DELETE);

    m_searchCtrl = new wxSearchCtrl(m_toolBar, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                    wxSUNKEN_BORDER | wxWANTS_CHARS);
    // GTK's default search box is no wider than its icon, too narrow to show the hint;
    // give it the 100-pixel text area that a default text box has elsewhere.
    m_searchCtrl->SetInitialSize(wxSize(m_searchCtrl->GetBestSize().x + FromDIP(100), -1));
    m_toolBar->AddControl(m_searchCtrl);

    addTool(ID_REFRESH, L"Refresh", IDB_IMPORT);
    addTool(ID_IMPORT, L"Import", IDB_IMPORT);
    addTool(ID_EXPORT, L"Export", IDB_EXPORT);
    addTool(ID_CERT_SHOW, L"Cert show", IDB_PREVIEW);
    m_toolBar->Realize();
    // Realize leaves a GTK tool bar at its creation size; the fixed minimum size taken
    // below must be the size of the realized bar, as it is where Realize sizes the bar.
    m_toolBar->SetSize(m_toolBar->GetBestSize());
    m_mainSizer->Add(m_toolBar, 0, wxEXPAND | wxFIXED_MINSIZE, 5);

    m_notebook = new wxAuiNotebook(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                   wxAUI_NB_TOP | wxAUI_NB_TAB_SPLIT | wxAUI_NB_TAB_MOVE | wxAUI_NB_SCROLL_BUTTONS |
                                       wxAUI_NB_WINDOWLIST_BUTTON | wxAUI_NB_CLOSE_ON_ACTIVE_TAB |
                                       wxAUI_NB_MIDDLE_CLICK_CLOSE);
    m_mainSizer->Add(m_notebook, 1, wxEXPAND | wxALL, 5);

    SetSizer(m_mainSizer);
    Layout();

    // A tool's click reaches the frame as a menu command with the tool's id.
    Bind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnNew, this, ID_NEW);
    Bind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnCopy, this, ID_COPY);
    Bind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnPaste, this, ID_PASTE);
    Bind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnDelete, this, ID_DELETE);
    Bind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnRefresh, this, ID_REFRESH);
    Bind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnImport, this, ID_IMPORT);
    Bind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnExport, this, ID_EXPORT);
    Bind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnCertShow, this, ID_CERT_SHOW);
    m_notebook->Bind(wxEVT_COMMAND_AUINOTEBOOK_BUTTON, &wxStoreViewEx::OnNotebookButton, this);
    m_notebook->Bind(wxEVT_COMMAND_AUINOTEBOOK_PAGE_CHANGED, &wxStoreViewEx::OnPageChanged, this);
    m_notebook->Bind(wxEVT_COMMAND_AUINOTEBOOK_PAGE_CLOSE, &wxStoreViewEx::OnPageClose, this);
}

wxStoreViewEx::~wxStoreViewEx()
{
    Unbind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnNew, this, ID_NEW);
    Unbind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnCopy, this, ID_COPY);
    Unbind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnPaste, this, ID_PASTE);
    Unbind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnDelete, this, ID_DELETE);
    Unbind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnRefresh, this, ID_REFRESH);
    Unbind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnImport, this, ID_IMPORT);
    Unbind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnExport, this, ID_EXPORT);
    Unbind(wxEVT_COMMAND_MENU_SELECTED, &wxStoreViewEx::OnCertShow, this, ID_CERT_SHOW);
    m_notebook->Unbind(wxEVT_COMMAND_AUINOTEBOOK_BUTTON, &wxStoreViewEx::OnNotebookButton, this);
    m_notebook->Unbind(wxEVT_COMMAND_AUINOTEBOOK_PAGE_CHANGED, &wxStoreViewEx::OnPageChanged, this);
    m_notebook->Unbind(wxEVT_COMMAND_AUINOTEBOOK_PAGE_CLOSE, &wxStoreViewEx::OnPageClose, this);
}
