// The store editor window: one notebook page per opened certificate store.
#pragma once

#include "storeview/simplestatusbar.h"
#include "storeview/wxstoreviewex.h"

#include "crypto/store.h"

#include <boost/shared_ptr.hpp>

#include <wx/clntdata.h>
#include <wx/filedlg.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/panel.h>

#include <cstdint>
#include <functional>
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

    // The columns of a page's list; rows find their certificate again by COLUMN_HASH.
    enum Column {
        COLUMN_SUBJECT = 0,
        COLUMN_ISSUER = 1,
        COLUMN_NOT_AFTER = 2,
        COLUMN_HASH = 3,
        COLUMN_KEY = 4,
    };

    // The record each page panel owns as its client object: the page's store and list.
    class __page_data : public wxClientData {
    public:
        explicit __page_data(const boost::shared_ptr<crypto::CryptoStore> &pageStore, wxListCtrl *pageList = nullptr);
        ~__page_data() override;

        std::int32_t total;                         // certificates in the store when last listed
        boost::shared_ptr<crypto::CryptoStore> store;
        std::wstring filter;                        // the filter text in force on the page
        wxListCtrl *list;                           // the page's list (owned by the page)
    };

    // A parentless editor window, not shown yet. With a `storeName` (a system store's
    // name, or a store file's path when `storeIsFile`) that store is the first page.
    // Throws crypto::CryptException (or another std::exception) when it cannot be opened.
    StoreViewDialog(const std::wstring &storeName, bool storeIsFile);
    ~StoreViewDialog() override;

protected:
    void OnNew(wxCommandEvent &event) override;
    void OnCopy(wxCommandEvent &event) override;
    void OnPaste(wxCommandEvent &event) override;
    void OnDelete(wxCommandEvent &event) override;
    void OnRefresh(wxCommandEvent &event) override;
    void OnImport(wxCommandEvent &event) override;
    void OnCertShow(wxCommandEvent &event) override;
    void OnPageChanged(wxAuiNotebookEvent &event) override;
    void OnPageClose(wxAuiNotebookEvent &event) override;
    // Text of the filter box changed.
    virtual void OnFilterText(wxCommandEvent &event);
    // An entry of the store menu chosen (ids ID_STORE_FILE to ID_STORE_FIRST + N - 1).
    virtual void OnStoreMenu(wxCommandEvent &event);

    // The store menu: "Файл...", a separator, then the system stores by their titles.
    void showStoreMenu();
    // Pops the menu up at the mouse; returns when it is dismissed.
    virtual void popUpStoreMenu(wxMenu &menu);
    // The path a confirmed file dialog names (the dialog's own answer).
    virtual std::wstring chosenPath(const wxFileDialog &dialog) const;

    // Opens a system store (or a store file when `isFile`) as a new page titled `title`
    // and lists it. Throws when the store cannot be opened; no page is added then.
    void openStorePage(const std::wstring &nameOrPath, bool isFile, const std::wstring &title);
    // Adds a page with an empty certificate list; the page takes `record` when given.
    wxListCtrl *addStorePage(const std::wstring &title, __page_data *record);

    // Lists every certificate of the store afresh, with the gauge, the counts and the
    // total of the list's page.
    void fillList(crypto::CryptoStore &store, wxListCtrl &list);
    // Walks all rows of `list`; the callback may delete the row it is given and lower
    // the index by one, so that the walk goes on with the row that moved up.
    using RowCallback = void (StoreViewDialog::*)(wxListCtrl &list, long &row);
    void forEachRow(wxListCtrl &list, RowCallback callback);
    // The filter's callback: drops a row whose subject does not contain the filter text.
    void dropIfNoMatch(wxListCtrl &list, long &row);
    void showCounts(long shown, long total);
    void refreshCounts();

    // The commands on a page's selected rows.
    void viewSelected(wxListCtrl &list, crypto::CryptoStore &store);
    // Copies the source list's selected certificates that the target list does not show
    // into the target store; a missing target (list or store) is reported instead.
    void pasteSelected(wxListCtrl &sourceList, wxListCtrl *targetList, crypto::CryptoStore &sourceStore,
                       const boost::shared_ptr<crypto::CryptoStore> &targetStore);
    void deleteSelected(wxListCtrl &list, crypto::CryptoStore &store);

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
    // Writes a store file's changes now, so that nothing waits for the page to close. A
    // failed write is reported and the store read again from its file, dropping what was
    // not written; false then. A system store has written (or refused) each change already.
    bool commitStoreFile(crypto::CryptoStore &store);
    // Reads the store again from where it is kept; a failure is reported.
    void resyncStore(crypto::CryptoStore &store);
    // Runs `action`; an error it throws is shown in the error box, and false returned.
    bool runReported(const std::function<void()> &action);
    // The error box: `text` under the caption "Ошибка".
    void showError(const std::wstring &text);
};

} // namespace test
