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

    bool toolEnabled(int id) const { return m_toolBar->GetToolEnabled(id); }
};
