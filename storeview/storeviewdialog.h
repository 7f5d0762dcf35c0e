// The store editor window: one notebook page per opened certificate store.
#pragma once

#include "storeview/simplestatusbar.h"
#include "storeview/wxstoreviewex.h"

#include "crypto/store.h"

#include <boost/shared_ptr.hpp>

#include <wx/clntdata.h>
#include <wx/listctrl.h>
#include <wx/panel.h>

#include <cstdint>
#include <string>
#include <vector>

namespace test {

class StoreViewDialog : public wxStoreViewEx {
public:
    // Store menu entries: the file entry, then one per system store of m_storeNames.
    enum MenuId {
        ID_STORE_FILE = 1100,
        ID_STORE_FIRST = 1101,
    };

    // The record each page panel owns as its client object: the page's store and list.
    class __page_data : public wxClientData {
    public:
        explicit __page_data(const boost::shared_ptr<crypto::CryptoStore> &pageStore, wxListCtrl *pageList = nullptr);
        ~__page_data() override;

        std::int32_t total;                         // certificates in the store when last listed
        boost::shared_ptr<crypto::CryptoStore> store;
        std::wstring filter;                        // the last filter text applied to the page
        wxListCtrl *list;                           // the page's list (owned by the page)
    };

    // A parentless editor window, not shown yet. With a `storeName` (a system store's
    // name, or a store file's path when `storeIsFile`) that store is the first page.
    // Throws crypto::CryptException (or another std::exception) when it cannot be opened.
    StoreViewDialog(const std::wstring &storeName, bool storeIsFile);
    ~StoreViewDialog() override;

protected:
    void OnPageClose(wxAuiNotebookEvent &event) override;
    // Text of the filter box changed.
    virtual void OnFilterText(wxCommandEvent &event);
    // An entry of the store menu chosen (ids ID_STORE_FILE to ID_STORE_FIRST + N - 1).
    virtual void OnStoreMenu(wxCommandEvent &event);

    // Opens a system store (or a store file when `isFile`) as a new page titled `title`.
    void openStorePage(const std::wstring &nameOrPath, bool isFile, const std::wstring &title);
    // Adds a page with an empty certificate list; the page takes `record` when given.
    wxListCtrl *addStorePage(const std::wstring &title, __page_data *record);

    // The filter box and every tool that needs a page, but Paste.
    void setToolsEnabled(bool on);
    // The current page and its record; none while the notebook is empty.
    wxWindow *currentPage() const;
    __page_data *currentPageData() const;

    std::vector<std::wstring> m_storeNames;
    wxWindow *m_copySource;
    SimpleStatusBar *m_statusBar;

private:
    // A double click in a page's list asks for its selected certificates, like the tool.
    void OnListDoubleClick(wxMouseEvent &event);
};

} // namespace test
