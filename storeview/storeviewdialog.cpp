#include "storeview/storeviewdialog.h"

#include "certview/certviewdialog.h"
#include "certview/errorbox.h"

#include "crypto/certexport.h"
#include "crypto/certformat.h"
#include "crypto/certificate.h"
#include "crypto/certimport.h"
#include "crypto/cryptexception.h"
#include "crypto/storecatalog.h"
#include "resources/programicon.h"
#include "storeview/pagecommands.h"
#include "storeview/pagetexts.h"

#include <wx/filename.h>
#include <wx/msgdlg.h>
#include <wx/progdlg.h>
#include <wx/textdlg.h>

#include <chrono>
#include <memory>
#include <set>

namespace test {

namespace {

const wchar_t kCopyingText[] = L"Копирование сертификатов";
// Lines of failures an error box lists before it only counts the rest.
const size_t kFailuresShown = 10;

// The forms Экспорт writes, in the order of its dialog's filters.
const struct {
    const wchar_t *filter;
    const wchar_t *extension;
    crypto::CertificateFileForm form;
} kExportForms[] = {
    {L"Сертификат X.509 (DER) (*.cer)|*.cer", L"cer", crypto::CertificateFileForm::Der},
    {L"Сертификат X.509 (Base64) (*.cer)|*.cer", L"cer", crypto::CertificateFileForm::Base64},
    {L"PKCS #7 (*.p7b)|*.p7b", L"p7b", crypto::CertificateFileForm::Pkcs7},
    {L"Хранилище сертификатов (*.sst)|*.sst", L"sst", crypto::CertificateFileForm::StoreFile},
};

// An error's text on one line, for a list of them.
std::wstring oneLine(std::wstring text)
{
    for (wchar_t &c : text)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    while (!text.empty() && text.back() == L' ')
        text.pop_back();
    return text;
}

std::wstring quoted(const std::wstring &text) { return L"«" + text + L"»"; }

// What a failed reading of the page's store tells, before the system's reason.
std::wstring notRead(const StoreViewDialog::__page_data &page)
{
    return L"Не удалось прочитать хранилище " + quoted(page.title) + L".";
}

// What a failed write of the page's store tells, before the system's reason.
std::wstring notWritten(const StoreViewDialog::__page_data &page)
{
    return L"Не удалось записать хранилище " + quoted(page.title) + L"; оно показано таким, каким его хранит файл.";
}

// The progress of a command over many certificates. Each update lets the toolkit draw and
// costs more than the work on one certificate, so the dialog is updated about a hundred
// times over its range; unless asked to show at once, it appears only when the work lasts.
class CommandProgress {
public:
    CommandProgress(wxWindow *parent, const wxString &title, const wxString &message, size_t range, bool atOnce)
        : m_parent(parent), m_title(title), m_message(message), m_range(std::max<size_t>(range, 1)),
          m_step(std::max<size_t>(m_range / 100, 1)), m_started(Clock::now())
    {
        if (atOnce)
            open();
    }

    // Tells that `done` of the range are done; false once the user asked to stop.
    bool update(size_t done)
    {
        if (!m_dialog && Clock::now() - m_started > std::chrono::milliseconds(300))
            open();
        if (!m_dialog || (done % m_step != 0 && done + 1 < m_range))
            return true;
        return m_dialog->Update(static_cast<int>(std::min(done, m_range - 1)), m_message);
    }

private:
    using Clock = std::chrono::steady_clock;

    void open()
    {
        m_dialog = std::make_unique<wxProgressDialog>(m_title, m_message, static_cast<int>(m_range), m_parent,
                                                      wxPD_CAN_ABORT | wxPD_APP_MODAL | wxPD_AUTO_HIDE |
                                                          wxPD_ELAPSED_TIME | wxPD_SMOOTH | wxPD_REMAINING_TIME);
    }

    wxWindow *m_parent;
    wxString m_title, m_message;
    size_t m_range, m_step;
    Clock::time_point m_started;
    std::unique_ptr<wxProgressDialog> m_dialog;
};

// The page's selected rows from the top, as copies that stay whatever happens to the
// page while they are worked on.
std::vector<CertificateRow> selectedRows(const StoreViewDialog::__page_data &page)
{
    std::vector<CertificateRow> rows;
    for (size_t position : page.list->selectedPositions())
        rows.push_back(page.rows[position]);
    return rows;
}

StoreViewDialog::__page_data *recordOf(const wxWindow *page)
{
    return page ? static_cast<StoreViewDialog::__page_data *>(page->GetClientObject()) : nullptr;
}

} // namespace

StoreViewDialog::__page_data::__page_data(const boost::shared_ptr<crypto::CryptoStore> &pageStore,
                                          CertificateList *pageList)
    : total(0), store(pageStore), list(pageList)
{
}

StoreViewDialog::__page_data::~__page_data() = default;

StoreViewDialog::StoreViewDialog(const std::wstring &storeName, bool storeIsFile)
    : wxStoreViewEx(nullptr, wxID_ANY, L"Редактор хранилища сертификатов", wxDefaultPosition, wxSize(652, 375),
                    wxDEFAULT_FRAME_STYLE | wxTAB_TRAVERSAL),
      m_copySource(nullptr)
{
    const struct {
        int id;
        const wchar_t *label;
    } labels[] = {
        {ID_CERT_SHOW, L"Просмотр"}, {ID_COPY, L"Копировать"}, {ID_PASTE, L"Вставить"},
        {ID_DELETE, L"Удалить"},     {ID_REFRESH, L"Обновить"}, {ID_IMPORT, L"Импорт"},
        {ID_EXPORT, L"Экспорт"},
    };
    for (const auto &tool : labels)
        m_toolBar->FindById(tool.id)->SetLabel(tool.label);

    SetIcons(programIcons());
    setToolsEnabled(false);
    m_toolBar->EnableTool(ID_PASTE, false);

    m_statusBar = new SimpleStatusBar(this, wxID_ANY);
    SetStatusBar(m_statusBar);

    m_searchCtrl->SetDescriptiveText(L"Фильтр");

    // The Russian labels make the tool bar wider than 652 pixels where labels are drawn
    // large (GTK), and a bar narrower than its tools hides the last ones in an overflow
    // menu: start wide enough for every tool, never narrower than the size given.
    const int toolsWidth = m_toolBar->GetBestSize().x;
    const wxSize client = GetClientSize();
    if (toolsWidth > client.x)
        SetClientSize(toolsWidth, client.y);

    m_storeNames = enumSystemStores();

    m_searchCtrl->Bind(wxEVT_COMMAND_TEXT_UPDATED, &StoreViewDialog::OnFilterText, this);
    Bind(wxEVT_COMMAND_MENU_SELECTED, &StoreViewDialog::OnStoreMenu, this, ID_STORE_FILE,
         ID_STORE_FILE + static_cast<int>(m_storeNames.size()));

    if (!storeName.empty())
        openStorePage(storeName, storeIsFile, storeTitle(storeName));
}

StoreViewDialog::~StoreViewDialog()
{
    m_searchCtrl->Unbind(wxEVT_COMMAND_TEXT_UPDATED, &StoreViewDialog::OnFilterText, this);
    Unbind(wxEVT_COMMAND_MENU_SELECTED, &StoreViewDialog::OnStoreMenu, this, ID_STORE_FILE,
           ID_STORE_FILE + static_cast<int>(m_storeNames.size()));
}

void StoreViewDialog::showStoreChanged(const std::wstring &nameOrPath, bool isFile)
{
    const wxFileName file(nameOrPath);
    for (wxWindow *window : wxTopLevelWindows) {
        auto *editor = dynamic_cast<StoreViewDialog *>(window);
        if (!editor || editor->IsBeingDeleted())
            continue;
        for (size_t i = 0; i < editor->m_notebook->GetPageCount(); ++i) {
            __page_data *page = recordOf(editor->m_notebook->GetPage(i));
            if (page && page->isFile == isFile &&
                (isFile ? wxFileName(page->nameOrPath).SameAs(file)
                        : wxString(page->nameOrPath).IsSameAs(nameOrPath, false)))
                editor->relist(*page);
        }
    }
}

// --- Pages and the store menu -------------------------------------------------------------

void StoreViewDialog::OnNew(wxCommandEvent &)
{
    showStoreMenu();
}

void StoreViewDialog::showStoreMenu()
{
    wxMenu menu(wxEmptyString, 0);
    menu.Append(ID_STORE_FILE, L"Файл...", wxEmptyString, wxITEM_NORMAL);
    menu.AppendSeparator();
    for (size_t i = 0; i < m_storeNames.size(); ++i)
        menu.Append(ID_STORE_FIRST + static_cast<int>(i), storeTitle(m_storeNames[i]), wxEmptyString);
    popUpStoreMenu(menu);
}

void StoreViewDialog::popUpStoreMenu(wxMenu &menu)
{
    PopupMenu(&menu);
}

std::wstring StoreViewDialog::chosenPath(const wxFileDialog &dialog) const
{
    return dialog.GetPath().ToStdWstring();
}

std::vector<std::wstring> StoreViewDialog::chosenPaths(const wxFileDialog &dialog) const
{
    wxArrayString paths;
    dialog.GetPaths(paths);
    std::vector<std::wstring> chosen;
    for (const wxString &path : paths)
        chosen.push_back(path.ToStdWstring());
    return chosen;
}

std::wstring StoreViewDialog::enteredPassword(const wxPasswordEntryDialog &dialog) const
{
    return dialog.GetValue().ToStdWstring();
}

int StoreViewDialog::chosenFilter(const wxFileDialog &dialog) const
{
    return dialog.GetFilterIndex();
}

void StoreViewDialog::OnStoreMenu(wxCommandEvent &event)
{
    std::wstring name;
    bool isFile = false;
    if (event.GetId() == ID_STORE_FILE) {
        wxFileDialog dialog(this, L"Выберите хранилище", wxEmptyString, wxEmptyString,
                            L"SST (*.sst)|*.sst|Все файлы (*.*)|*.*", wxFD_OPEN, wxDefaultPosition, wxDefaultSize,
                            L"filedlg");
        if (dialog.ShowModal() != wxID_OK)
            return;
        name = chosenPath(dialog);
        isFile = true;
    } else {
        const size_t index = static_cast<size_t>(event.GetId() - ID_STORE_FIRST);
        if (index >= m_storeNames.size())
            return;
        name = m_storeNames[index];
    }
    const std::wstring title = storeTitle(name);
    // The store the user asked for is the one to see.
    if (runReported(L"Не удалось открыть хранилище " + quoted(title) + L".",
                    [&] { openStorePage(name, isFile, title); }))
        m_notebook->SetSelection(m_notebook->GetPageCount() - 1);
}

void StoreViewDialog::openStorePage(const std::wstring &nameOrPath, bool isFile, const std::wstring &title)
{
    bool readOnly = false;
    const boost::shared_ptr<crypto::CryptoStore> store = crypto::openStoreToView(nameOrPath, isFile, readOnly);
    auto record = std::make_unique<__page_data>(store);
    record->nameOrPath = nameOrPath;
    record->isFile = isFile;
    record->title = title;
    record->readOnly = readOnly;
    __page_data &page = *record;
    addStorePage(readOnly ? title + L" (только чтение)" : title, record.release());
    fillList(page);
    if (m_notebook->GetPageCount() == 1)
        setToolsEnabled(true);
    updateWriteTools();
}

CertificateList *StoreViewDialog::addStorePage(const std::wstring &title, __page_data *record)
{
    auto *panel = new wxPanel(m_notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL, L"panel");
    auto *sizer = new wxBoxSizer(wxVERTICAL);

    auto *list = new CertificateList(panel, record ? &record->rows : nullptr);
    list->InsertColumn(COLUMN_SUBJECT, L"Кому выдан", wxLIST_FORMAT_LEFT, 350);
    list->InsertColumn(COLUMN_ISSUER, L"Кем выдан", wxLIST_FORMAT_LEFT, 150);
    // Wide enough for its heading, which GTK's font does not fit into 100 pixels.
    const wchar_t notAfterHeading[] = L"Дата окончания";
    list->InsertColumn(COLUMN_NOT_AFTER, notAfterHeading, wxLIST_FORMAT_LEFT,
                       std::max(100, list->GetTextExtent(notAfterHeading).x + 24));
    list->InsertColumn(COLUMN_HASH, L"Хэш", wxLIST_FORMAT_LEFT, 100);
    list->InsertColumn(COLUMN_KEY, L"Закрытый ключ", wxLIST_FORMAT_LEFT, 200);
    sizer->Add(list, 1, wxEXPAND | wxALL, 5);

    list->Bind(wxEVT_LEFT_DCLICK, &StoreViewDialog::OnListDoubleClick, this);
    list->Bind(wxEVT_KEY_DOWN, &StoreViewDialog::OnListKey, this);

    if (record) {
        record->list = list;
        panel->SetClientObject(record);
    }
    panel->SetSizer(sizer);
    panel->Layout();
    sizer->Fit(panel);

    m_notebook->AddPage(panel, title, false, wxNullBitmap);
    panel->SetFocus();
    return list;
}

void StoreViewDialog::OnListDoubleClick(wxMouseEvent &event)
{
    wxCommandEvent command(wxEVT_COMMAND_MENU_SELECTED, ID_CERT_SHOW);
    command.SetEventObject(event.GetEventObject());
    OnCertShow(command);
    if (command.GetSkipped())
        event.Skip();
}

void StoreViewDialog::OnListKey(wxKeyEvent &event)
{
    __page_data *record = currentPageData();
    const int key = event.GetKeyCode();
    if (record && !event.HasModifiers() && (key == WXK_DELETE || key == WXK_NUMPAD_DELETE)) {
        if (!record->readOnly)
            deleteSelected(*record);
    } else if (record && !event.HasModifiers() && (key == WXK_RETURN || key == WXK_NUMPAD_ENTER))
        viewSelected(*record);
    else if (record && event.GetModifiers() == wxMOD_CONTROL && key == 'A')
        record->list->selectAll();
    else
        event.Skip();
}

void StoreViewDialog::OnPageChanged(wxAuiNotebookEvent &event)
{
    if (__page_data *record = currentPageData()) {
        // No text event: the list shown now keeps its rows.
        m_searchCtrl->ChangeValue(record->filter);
        refreshCounts();
        updateWriteTools();
    }
    event.Skip();
}

void StoreViewDialog::OnPageClose(wxAuiNotebookEvent &event)
{
    wxWindow *closing = m_notebook->GetPage(event.GetSelection());
    if (closing == m_copySource) {
        m_copySource = nullptr;
        m_toolBar->EnableTool(ID_PASTE, false);
        m_toolBar->Realize();
    }
    if (m_notebook->GetPageCount() == 1) {
        setToolsEnabled(false);
        m_statusBar->SetStatusText(wxEmptyString, 2); // no page, no counts
    }
    if (__page_data *record = recordOf(closing)) {
        record->list->Unbind(wxEVT_LEFT_DCLICK, &StoreViewDialog::OnListDoubleClick, this);
        record->list->Unbind(wxEVT_KEY_DOWN, &StoreViewDialog::OnListKey, this);
    }
}

// --- Lists, counts and the filter -----------------------------------------------------------

void StoreViewDialog::fillList(__page_data &page)
{
    const std::vector<crypto::CryptoCertificate> certificates = page.store->enumerate();
    wxGauge *gauge = m_statusBar->gauge();
    gauge->SetRange(static_cast<int>(certificates.size()));
    page.rows.fill(certificates, [gauge](size_t made) { gauge->SetValue(static_cast<int>(made)); });
    page.list->showFilled();
    gauge->SetValue(0);

    page.total = static_cast<std::int32_t>(certificates.size());
    // The current page's counts, also when the list just filled is on a page behind it.
    refreshCounts();
}

void StoreViewDialog::filterList(__page_data &page, const std::wstring &text)
{
    page.list->showChanged([&](CertificateRows &rows) { rows.narrow(text); });
    refreshCounts();
}

void StoreViewDialog::refill(__page_data &page)
{
    runReported(notRead(page), [&] { fillList(page); });
}

void StoreViewDialog::relist(__page_data &page)
{
    resyncStore(page);
    refill(page);
    if (!page.filter.empty())
        filterList(page, page.filter);
}

void StoreViewDialog::showCounts(long shown, long total)
{
    m_statusBar->SetStatusText(SimpleStatusBar::countsText(shown, total), 2);
}

void StoreViewDialog::refreshCounts()
{
    if (const __page_data *record = currentPageData())
        showCounts(static_cast<long>(record->rows.size()), record->total);
}

void StoreViewDialog::OnFilterText(wxCommandEvent &)
{
    __page_data *record = currentPageData();
    if (!record)
        return;
    const std::wstring text = m_searchCtrl->GetValue().ToStdWstring();
    // The page's filter is what the box says, so that coming back to the page shows it.
    record->filter = text;
    if (text.empty()) {
        // Rows the filter dropped are gone from the list: read them from the store again.
        refill(*record);
        return;
    }
    // Each text narrows what the list shows already.
    filterList(*record, text);
}

// --- Commands ---------------------------------------------------------------------------

void StoreViewDialog::OnCertShow(wxCommandEvent &)
{
    if (const __page_data *record = currentPageData())
        viewSelected(*record);
}

void StoreViewDialog::viewSelected(const __page_data &page)
{
    const boost::shared_ptr<crypto::CryptoStore> store = page.store;
    for (const CertificateRow &row : selectedRows(page))
        runReported(L"Не удалось показать сертификат " + quoted(row.subject()) + L" хранилища " + quoted(page.title) +
                        L".",
                    [&] {
                        const crypto::CryptoCertificate certificate = certificateByHash(*store, row.hash());
                        CertViewDialog dialog(certificate, this, L"Просмотр сертификата");
                        dialog.ShowModal();
                    });
}

void StoreViewDialog::OnCopy(wxCommandEvent &)
{
    wxWindow *page = currentPage();
    if (!page)
        return;
    m_copySource = page;
    updateWriteTools();
}

void StoreViewDialog::OnPaste(wxCommandEvent &)
{
    if (const __page_data *source = recordOf(m_copySource))
        pasteSelected(*source, currentPageData());
}

void StoreViewDialog::pasteSelected(const __page_data &source, __page_data *target)
{
    const std::vector<CertificateRow> selected = selectedRows(source);
    if (selected.empty() || !target || !target->store) {
        wxMessageBox(L"Не указаны сертификаты или не выбрано хранилище", L"Внимание", wxOK | wxCENTRE, this);
        return;
    }
    // Both stores stay open for the whole copy, whatever happens to their pages.
    const boost::shared_ptr<crypto::CryptoStore> sourceStore = source.store, targetStore = target->store;
    PageAddition addition(*targetStore, target->rows);
    {
        CommandProgress progress(this, L"Копирование...", kCopyingText, selected.size(), true);
        size_t done = 0;
        for (const CertificateRow &row : selected) {
            if (addition.isNew(row.hash(), [&] { return row.subject(); }) &&
                !runReported(L"Не удалось добавить сертификат " + quoted(row.subject()) + L" в хранилище " +
                                 quoted(target->title) + L".",
                             [&] { addition.add(certificateByHash(*sourceStore, row.hash())); }))
                break;
            if (!progress.update(done++))
                break;
        }
        // A failed write leaves the store as its file holds it.
        runReported(notWritten(*target), [&] { addition.commit(); });
        // The whole store, also on a filtered page, so that what was pasted shows.
        resyncStore(*target);
        refill(*target);
    }
    // Told once, when the copy is over, rather than a box for each certificate.
    if (!addition.present().empty())
        wxMessageBox(addedSummary(addition.added(), addition.present()), L"Внимание", 0, this, 100, 50);
}

void StoreViewDialog::OnDelete(wxCommandEvent &)
{
    if (__page_data *record = currentPageData())
        deleteSelected(*record);
}

void StoreViewDialog::deleteSelected(__page_data &page)
{
    const std::vector<CertificateRow> selected = selectedRows(page);
    // Only "Да" deletes: Escape and the close button answer the box as Cancel.
    if (selected.empty() ||
        wxMessageBox(deleteQuestion(selected.size()), L"Удаление", wxYES_NO, this, 100, 50) != wxYES)
        return;

    const boost::shared_ptr<crypto::CryptoStore> store = page.store;
    std::vector<std::wstring> failures;
    std::set<std::wstring> kept;
    {
        CommandProgress progress(this, L"Удаление...", L"Удаление сертификатов", selected.size(), false);
        size_t done = 0;
        for (const CertificateRow &row : selected) {
            // A system store writes the deletion at once, a store file below, once.
            try {
                deleteByHash(*store, row.hash());
            } catch (const std::exception &error) {
                failures.push_back(quoted(row.subject()) + L": " + oneLine(errorText(error)));
                kept.insert(row.hash());
            }
            if (!progress.update(done++))
                break;
        }
    }
    // The rows stay as they were while a failure is told: they go once the store is written.
    if (!failures.empty())
        showError(L"Не удалось удалить из хранилища " + quoted(page.title) + L" сертификатов: " +
                      std::to_wstring(failures.size()) + L".",
                  someLines(failures, kFailuresShown));
    if (failures.size() < selected.size())
        runReported(notWritten(page), [&] { store->commit(); });
    relist(page);
    // What could not be deleted stays selected, where the store still holds it.
    std::vector<size_t> keptPositions;
    for (size_t position = 0; position < page.rows.size(); ++position)
        if (kept.count(page.rows[position].hash()))
            keptPositions.push_back(position);
    page.list->selectPositions(keptPositions);
}

void StoreViewDialog::OnRefresh(wxCommandEvent &)
{
    // What the main window or another program changed in the store since it was read.
    if (const __page_data *record = currentPageData())
        resyncStore(*record);
    // The text event clears the page's filter and refills the list, also when the box
    // was empty already.
    m_searchCtrl->SetValue(wxEmptyString);
}

void StoreViewDialog::OnImport(wxCommandEvent &)
{
    __page_data *record = currentPageData();
    if (!record)
        return;
    wxFileDialog dialog(this, L"Импорт сертификатов", wxEmptyString, wxEmptyString,
                        L"Сертификаты (*.cer;*.crt;*.der;*.pem;*.p7b;*.p7c;*.sst;*.pfx;*.p12)|*.cer;*.crt;*.der;*.pem;"
                        L"*.p7b;*.p7c;*.sst;*.pfx;*.p12|Все файлы (*.*)|*.*",
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST | wxFD_MULTIPLE);
    if (dialog.ShowModal() != wxID_OK)
        return;
    importFiles(*record, chosenPaths(dialog));
}

void StoreViewDialog::importFiles(__page_data &page, const std::vector<std::wstring> &paths)
{
    // The store stays open for the whole import, whatever happens to the page.
    const boost::shared_ptr<crypto::CryptoStore> store = page.store;
    std::vector<std::wstring> failures;
    std::vector<crypto::CryptoCertificate> read;
    for (const std::wstring &path : paths) {
        const std::wstring name = wxFileName(path).GetFullName().ToStdWstring();
        try {
            const crypto::ImportFile file(path);
            std::vector<crypto::CryptoCertificate> certificates;
            if (!file.needsPassword())
                certificates = file.certificates();
            else if (!pfxCertificates(file, name, certificates))
                failures.push_back(name + L": пароль не введён.");
            for (crypto::CryptoCertificate &certificate : certificates)
                read.push_back(std::move(certificate));
        } catch (const std::exception &error) {
            failures.push_back(name + L": " + oneLine(errorText(error)));
        }
    }
    // A certificate in two files, or that the page shows, is added once.
    PageAddition addition(*store, page.rows);
    {
        CommandProgress progress(this, L"Импорт...", L"Импорт сертификатов", read.size(), false);
        size_t done = 0;
        for (const crypto::CryptoCertificate &certificate : read) {
            const auto name = [&] { return CertificateRows::rowOf(certificate).subject(); };
            if (addition.isNew(certificate.sha1Hash(), name)) {
                try {
                    addition.add(certificate);
                } catch (const std::exception &error) {
                    failures.push_back(quoted(name()) + L": " + oneLine(errorText(error)));
                }
            }
            if (!progress.update(done++))
                break;
        }
    }
    try {
        addition.commit();
    } catch (const std::exception &error) {
        failures.push_back(L"Хранилище " + quoted(page.title) + L" не записано: " + oneLine(errorText(error)));
    }
    relist(page);

    std::wstring summary = addedSummary(addition.added(), addition.present());
    if (!failures.empty())
        summary += L"\n\nНе удалось импортировать:\n" + someLines(failures, kFailuresShown);
    wxMessageBox(summary, L"Импорт", 0, this, 100, 50);
}

bool StoreViewDialog::pfxCertificates(const crypto::ImportFile &file, const std::wstring &name,
                                      std::vector<crypto::CryptoCertificate> &certificates)
{
    const std::wstring prompt = L"Пароль файла «" + name + L"»";
    for (;;) {
        wxPasswordEntryDialog dialog(this, prompt, prompt);
        if (dialog.ShowModal() != wxID_OK)
            return false;
        const std::wstring password = enteredPassword(dialog);
        // Checked first, so that a wrong password writes no key container.
        if (file.opensWith(password)) {
            certificates = file.certificates(password);
            return true;
        }
        if (wxMessageBox(L"Неверный пароль", L"Импорт", wxOK | wxCANCEL | wxICON_WARNING, this) != wxOK)
            return false;
    }
}

void StoreViewDialog::OnExport(wxCommandEvent &)
{
    const __page_data *record = currentPageData();
    if (!record)
        return;
    if (record->rows.size() == 0) {
        wxMessageBox(L"Нет сертификатов для экспорта", L"Внимание", wxOK | wxCENTRE, this);
        return;
    }
    wxString filters;
    for (const auto &form : kExportForms)
        filters += (filters.empty() ? L"" : L"|") + wxString(form.filter);
    wxFileDialog dialog(this, L"Экспорт сертификатов", wxEmptyString, wxEmptyString, filters,
                        wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (dialog.ShowModal() != wxID_OK)
        return;
    exportRows(*record, chosenPath(dialog), chosenFilter(dialog));
}

void StoreViewDialog::exportRows(const __page_data &page, std::wstring path, int form)
{
    if (path.empty() || form < 0 || form >= static_cast<int>(std::size(kExportForms)))
        return;
    // A name typed without an extension gets the chosen form's, as Windows' dialog gives it.
    wxFileName file(path);
    if (!file.HasExt()) {
        file.SetExt(kExportForms[form].extension);
        path = file.GetFullPath().ToStdWstring();
        if (file.Exists() && wxMessageBox(L"Файл " + file.GetFullName() + L" уже существует. Заменить его?",
                                          L"Экспорт", wxYES_NO, this, 100, 50) != wxYES)
            return;
    }
    std::vector<CertificateRow> rows = selectedRows(page);
    if (rows.empty())
        for (size_t position = 0; position < page.rows.size(); ++position)
            rows.push_back(page.rows[position]);

    const boost::shared_ptr<crypto::CryptoStore> store = page.store;
    runReported(L"Не удалось экспортировать сертификаты в файл " + quoted(path) + L".", [&] {
        const std::vector<crypto::CryptoCertificate> certificates = certificatesOf(*store, rows);
        crypto::writeCertificateFile(path, certificates, kExportForms[form].form);
        wxMessageBox(L"Экспортировано сертификатов: " + std::to_wstring(certificates.size()), L"Экспорт", 0, this,
                     100, 50);
    });
}

void StoreViewDialog::resyncStore(const __page_data &page)
{
    const boost::shared_ptr<crypto::CryptoStore> store = page.store;
    runReported(notRead(page), [&] { store->resync(); });
}

bool StoreViewDialog::runReported(const std::wstring &what, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const std::exception &error) {
        showErrorBox(this, error, L"Ошибка", L"Ошибка", what + L"\n\n");
    }
    return false;
}

void StoreViewDialog::showError(const std::wstring &what, const std::wstring &why)
{
    wxMessageBox(what + L"\n\n" + why, L"Ошибка", 0, this, 100, 50);
}

// --- Tools and pages ----------------------------------------------------------------------

void StoreViewDialog::setToolsEnabled(bool on)
{
    m_searchCtrl->Enable(on);
    for (int id : {ID_CERT_SHOW, ID_COPY, ID_DELETE, ID_REFRESH, ID_IMPORT, ID_EXPORT})
        m_toolBar->EnableTool(id, on);
    m_toolBar->Realize();
}

void StoreViewDialog::updateWriteTools()
{
    const __page_data *record = currentPageData();
    const bool writable = record && !record->readOnly;
    m_toolBar->EnableTool(ID_DELETE, writable);
    m_toolBar->EnableTool(ID_IMPORT, writable);
    m_toolBar->EnableTool(ID_PASTE, writable && m_copySource);
    m_toolBar->Realize();
}

wxWindow *StoreViewDialog::currentPage() const
{
    const int selection = m_notebook->GetSelection();
    return selection == wxNOT_FOUND ? nullptr : m_notebook->GetPage(static_cast<size_t>(selection));
}

StoreViewDialog::__page_data *StoreViewDialog::currentPageData() const
{
    return recordOf(currentPage());
}

} // namespace test
