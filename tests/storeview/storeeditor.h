// The store editor with its parts in reach of the tests, and the notebook's way of
// closing a tab.
#pragma once

#include "storeview/storeviewdialog.h"

#include <map>
#include <string>
#include <vector>

class StoreEditor : public test::StoreViewDialog {
public:
    using StoreViewDialog::StoreViewDialog;
    using StoreViewDialog::currentPage;
    using StoreViewDialog::currentPageData;
    using StoreViewDialog::m_copySource;
    using StoreViewDialog::m_notebook;
    using StoreViewDialog::m_searchCtrl;
    using StoreViewDialog::m_statusBar;
    using StoreViewDialog::m_storeNames;
    using StoreViewDialog::m_toolBar;
    using StoreViewDialog::openStorePage;

    // As a click on a tab's close button does: ask, then delete the page unless vetoed.
    void closePage(size_t index)
    {
        wxAuiNotebookEvent event(wxEVT_AUINOTEBOOK_PAGE_CLOSE, m_notebook->GetId());
        event.SetSelection(static_cast<int>(index));
        event.SetEventObject(m_notebook);
        m_notebook->GetEventHandler()->ProcessEvent(event);
        if (event.IsAllowed())
            m_notebook->DeletePage(index);
    }

    StoreViewDialog::__page_data *pageData(size_t index) const
    {
        return static_cast<StoreViewDialog::__page_data *>(m_notebook->GetPage(index)->GetClientObject());
    }
    wxListCtrl &list(size_t index) const { return *pageData(index)->list; }
    wxListCtrl &currentList() const { return *currentPageData()->list; }

    bool toolEnabled(int id) const { return m_toolBar->GetToolEnabled(id); }

    // A click on a tool (or a chosen menu entry): the command as the frame receives it.
    void command(int id)
    {
        wxCommandEvent event(wxEVT_COMMAND_MENU_SELECTED, id);
        event.SetEventObject(this);
        GetEventHandler()->ProcessEvent(event);
    }

    // The filter box's text as typing leaves it: the box sends its text event.
    void typeFilter(const wchar_t *text) { m_searchCtrl->SetValue(text); }

    // Switches pages as a click on a tab does (with the page-changed event).
    void showPage(size_t index) { m_notebook->SetSelection(index); }

    std::wstring statusCounts() const { return m_statusBar->GetStatusText(2).ToStdWstring(); }
};
