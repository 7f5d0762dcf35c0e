#include "storeview/storeviewdialog.h"

#include "crypto/storecatalog.h"

#include <memory>

namespace test {

StoreViewDialog::__page_data::__page_data(const boost::shared_ptr<crypto::CryptoStore> &pageStore,
                                          wxListCtrl *pageList)
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
    };
    for (const auto &tool : labels)
        m_toolBar->FindById(tool.id)->SetLabel(tool.label);

    setToolsEnabled(false);
    m_toolBar->EnableTool(ID_PASTE, false);

    m_statusBar = new SimpleStatusBar(this, wxID_ANY);
    SetStatusBar(m_statusBar);

    m_searchCtrl->SetDescriptiveText(L"Фильтр");

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

void StoreViewDialog::OnFilterText(wxCommandEvent &event)
{
    event.Skip();
}

void StoreViewDialog::OnStoreMenu(wxCommandEvent &event)
{
    event.Skip();
}

void StoreViewDialog::openStorePage(const std::wstring &nameOrPath, bool isFile, const std::wstring &title)
{
    const boost::shared_ptr<crypto::CryptoStore> store = crypto::openStore(nameOrPath, isFile);
    auto record = std::make_unique<__page_data>(store);
    addStorePage(title, record.release());
    if (m_notebook->GetPageCount() == 1)
        setToolsEnabled(true);
}

wxListCtrl *StoreViewDialog::addStorePage(const std::wstring &title, __page_data *record)
{
    auto *panel = new wxPanel(m_notebook, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL, L"panel");
    auto *sizer = new wxBoxSizer(wxVERTICAL);

    auto *list = new wxListCtrl(panel, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT, wxDefaultValidator,
                                L"listCtrl");
    list->InsertColumn(0, L"Кому выдан", wxLIST_FORMAT_LEFT, 350);
    list->InsertColumn(1, L"Кем выдан", wxLIST_FORMAT_LEFT, 150);
    list->InsertColumn(2, L"Дата окончания", wxLIST_FORMAT_LEFT, 100);
    list->InsertColumn(3, L"Хэш", wxLIST_FORMAT_LEFT, 100);
    list->InsertColumn(4, L"Закрытый ключ", wxLIST_FORMAT_LEFT, 200);
    sizer->Add(list, 1, wxEXPAND | wxALL, 5);

    list->Bind(wxEVT_LEFT_DCLICK, &StoreViewDialog::OnListDoubleClick, this);

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

void StoreViewDialog::OnPageClose(wxAuiNotebookEvent &event)
{
    wxWindow *closing = m_notebook->GetPage(event.GetSelection());
    if (closing == m_copySource) {
        m_copySource = nullptr;
        m_toolBar->EnableTool(ID_PASTE, false);
        m_toolBar->Realize();
    }
    if (m_notebook->GetPageCount() == 1)
        setToolsEnabled(false);
    if (auto *record = static_cast<__page_data *>(closing->GetClientObject()))
        record->list->Unbind(wxEVT_LEFT_DCLICK, &StoreViewDialog::OnListDoubleClick, this);
}

void StoreViewDialog::setToolsEnabled(bool on)
{
    m_searchCtrl->Enable(on);
    for (int id : {ID_CERT_SHOW, ID_COPY, ID_DELETE, ID_REFRESH, ID_IMPORT})
        m_toolBar->EnableTool(id, on);
    m_toolBar->Realize();
}

wxWindow *StoreViewDialog::currentPage() const
{
    const int selection = m_notebook->GetSelection();
    return selection == wxNOT_FOUND ? nullptr : m_notebook->GetPage(static_cast<size_t>(selection));
}

StoreViewDialog::__page_data *StoreViewDialog::currentPageData() const
{
    wxWindow *page = currentPage();
    return page ? static_cast<__page_data *>(page->GetClientObject()) : nullptr;
}

} // namespace test
