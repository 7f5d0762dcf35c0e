// Layout of the store editor: tool bar with the filter box, and a notebook of stores.
#pragma once

#include <wx/aui/auibook.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/srchctrl.h>
#include <wx/toolbar.h>

class wxStoreViewEx : public wxFrame {
public:
    // The tools, in their order on the bar, but that the filter box stands between Delete
    // and Refresh and Export between Import and Cert show.
    enum ToolId {
        ID_NEW = 1000,
        ID_COPY = 1001,
        ID_PASTE = 1002,
        ID_DELETE = 1003,
        ID_REFRESH = 1004,
        ID_IMPORT = 1005,
        ID_CERT_SHOW = 1006,
        ID_EXPORT = 1007,
    };

    wxStoreViewEx(wxWindow *parent, wxWindowID id = wxID_ANY, const wxString &title = wxEmptyString,
                  const wxPoint &pos = wxDefaultPosition, const wxSize &size = wxDefaultSize,
                  long style = wxDEFAULT_FRAME_STYLE | wxTAB_TRAVERSAL);
    ~wxStoreViewEx() override;

protected:
    // Each handler by default only lets the event go on.
    virtual void OnNew(wxCommandEvent &event) { event.Skip(); }
    virtual void OnCopy(wxCommandEvent &event) { event.Skip(); }
    virtual void OnPaste(wxCommandEvent &event) { event.Skip(); }
    virtual void OnDelete(wxCommandEvent &event) { event.Skip(); }
    virtual void OnRefresh(wxCommandEvent &event) { event.Skip(); }
    virtual void OnImport(wxCommandEvent &event) { event.Skip(); }
    virtual void OnExport(wxCommandEvent &event) { event.Skip(); }
    virtual void OnCertShow(wxCommandEvent &event) { event.Skip(); }
    virtual void OnNotebookButton(wxAuiNotebookEvent &event) { event.Skip(); }
    virtual void OnPageChanged(wxAuiNotebookEvent &event) { event.Skip(); }
    virtual void OnPageClose(wxAuiNotebookEvent &event) { event.Skip(); }

    wxBoxSizer *m_mainSizer;
    wxToolBar *m_toolBar;
    wxSearchCtrl *m_searchCtrl;
    wxAuiNotebook *m_notebook;
};
