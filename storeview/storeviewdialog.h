// The store editor window: one notebook page per opened certificate store.
#pragma once

#include "storeview/certificatelist.h"
#include "storeview/certificaterows.h"
#include "storeview/simplestatusbar.h"
#include "storeview/wxstoreviewex.h"

#include "crypto/certimport.h"
#include "crypto/store.h"

#include <boost/shared_ptr.hpp>

#include <wx/clntdata.h>
#include <wx/filedlg.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/textdlg.h>

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
        COLUMN_SUBJECT = CertificateRows::SUBJECT,
        COLUMN_ISSUER = CertificateRows::ISSUER,
        COLUMN_NOT_AFTER = CertificateRows::NOT_AFTER,
        COLUMN_HASH = CertificateRows::HASH,
        COLUMN_KEY = CertificateRows::KEY,
    };

    // The record each page panel owns as its client object: the page's store, its rows
    // and the list that shows them.
    class __page_data : public wxClientData {
    public:
        explicit __page_data(const boost::shared_ptr<crypto::CryptoStore> &pageStore,
                             CertificateList *pageList = nullptr);
        ~__page_data() override;

        std::int32_t total;                         // certificates in the store when last listed
        boost::shared_ptr<crypto::CryptoStore> store;
        std::wstring nameOrPath;                    // the system store's name, or the file's path
        bool isFile = false;
        std::wstring title;                         // the store's title, which messages name it by
        bool readOnly = false;                      // opened only to be read: the user may not change it
        std::wstring filter;                        // the filter text in force on the page
        CertificateList *list;                      // the page's list (owned by the page)
        CertificateRows rows;                       // what the list shows
    };

    // A parentless editor window, not shown yet. With a `storeName` (a system store's
    // name, or a store file's path when `storeIsFile`) that store is the first page.
    // Throws crypto::CryptException (or another std::exception) when it cannot be opened.
    StoreViewDialog(const std::wstring &storeName, bool storeIsFile);
    ~StoreViewDialog() override;

    // Every page of every editor window that shows this store (a system store by name, a
    // store file by path) reads it again: for a change made outside the editors, such as
    // an installation. A store that cannot be read is reported by its window.
    static void showStoreChanged(const std::wstring &nameOrPath, bool isFile);

protected:
    void OnNew(wxCommandEvent &event) override;
    void OnCopy(wxCommandEvent &event) override;
    void OnPaste(wxCommandEvent &event) override;
    void OnDelete(wxCommandEvent &event) override;
    void OnRefresh(wxCommandEvent &event) override;
    void OnImport(wxCommandEvent &event) override;
    void OnExport(wxCommandEvent &event) override;
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
    // The paths a confirmed file dialog that takes several files names.
    virtual std::vector<std::wstring> chosenPaths(const wxFileDialog &dialog) const;
    // The password typed into a confirmed password dialog.
    virtual std::wstring enteredPassword(const wxPasswordEntryDialog &dialog) const;
    // The filter a confirmed file dialog was left at, from 0.
    virtual int chosenFilter(const wxFileDialog &dialog) const;

    // Opens a system store (or a store file when `isFile`) as a new page titled `title`
    // and lists it; a store the user may not change is opened read-only, and its tab says
    // so. Throws when the store cannot be opened; no page is added then.
    void openStorePage(const std::wstring &nameOrPath, bool isFile, const std::wstring &title);
    // Adds a page with an empty certificate list; the page takes `record` when given.
    CertificateList *addStorePage(const std::wstring &title, __page_data *record);

    // Lists every certificate of the page's store afresh, with the gauge, the counts and
    // the page's total.
    void fillList(__page_data &page);
    // fillList on a page that is open already: a failure is reported, the list stays.
    void refill(__page_data &page);
    // Narrows the page's list to the rows whose subject holds `text`.
    void filterList(__page_data &page, const std::wstring &text);
    // Reads the page's store again from where it is kept and lists what it holds now,
    // under the page's filter: after each command, so that the page tells the truth.
    void relist(__page_data &page);
    void showCounts(long shown, long total);
    void refreshCounts();

    // The commands on a page's selected rows.
    void viewSelected(const __page_data &page);
    // Copies the source page's selected certificates that the target page does not show
    // into the target's store; a missing target is reported instead.
    void pasteSelected(const __page_data &source, __page_data *target);
    void deleteSelected(__page_data &page);
    // Adds the certificates of the files to the page's store by the rule of Paste, with a
    // progress dialog that can stop it, and tells in one box what was added, what was
    // there already and what could not be read.
    void importFiles(__page_data &page, const std::vector<std::wstring> &paths);
    // The certificates of a PKCS #12 file, its key put into a key container: asks for the
    // password ("Пароль файла «name»") until the file opens with it, saying when it does
    // not. False when the user gives up; nothing is written then.
    bool pfxCertificates(const crypto::ImportFile &file, const std::wstring &name,
                         std::vector<crypto::CryptoCertificate> &certificates);
    // Writes the page's selected certificates (every row shown when none is selected) to
    // the file in the form of the filter chosen, by its place in the export dialog.
    void exportRows(const __page_data &page, std::wstring path, int form);

    // The filter box and every tool that needs a page, but Paste.
    void setToolsEnabled(bool on);
    // The tools that change a store, as the current page allows: none on a read-only page,
    // Paste only once Копировать remembered a page.
    void updateWriteTools();
    // The current page and its record; none while the notebook is empty.
    wxWindow *currentPage() const;
    __page_data *currentPageData() const;

    std::vector<std::wstring> m_storeNames;
    wxWindow *m_copySource;
    SimpleStatusBar *m_statusBar;

private:
    // A double click in a page's list asks for its selected certificates, like the tool.
    void OnListDoubleClick(wxMouseEvent &event);
    // Keys in a page's list: Delete deletes, Enter shows, Ctrl+A selects every row.
    void OnListKey(wxKeyEvent &event);
    // Reads the page's store again from where it is kept; a failure is reported.
    void resyncStore(const __page_data &page);
    // Runs `action`; an error it throws is shown in the error box after `what` (which
    // says what failed, and where), and false returned.
    bool runReported(const std::wstring &what, const std::function<void()> &action);
    // The error box: what failed, then why, under the caption "Ошибка".
    void showError(const std::wstring &what, const std::wstring &why);
};

} // namespace test
