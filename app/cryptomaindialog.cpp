#include "app/cryptomaindialog.h"

#include "app/keyplaces.h"
#include "app/programexit.h"
#include "certview/certviewdialog.h"
#include "certview/errorbox.h"
#include "certview/windowplacement.h"
#include "crypto/certificate.h"
#include "crypto/cryptoconfig.h"
#include "crypto/key.h"
#include "crypto/provider.h"
#include "crypto/store.h"
#include "crypto/storecatalog.h"
#include "resources/programicon.h"
#include "storeview/storeviewdialog.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>

#include <boost/shared_ptr.hpp>

#include <algorithm>
#include <exception>
#include <string>

namespace {

const wchar_t kProposedProvider[] = L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider";
const DWORD kProposedProviderType = 75; // PROV_GOST_2001_DH

const wchar_t kFromFile[] = L"Из файла...";

bool isFileType(const std::wstring &type) { return type == L"File" || type == L"file"; }

} // namespace

CryptoMainDialog::CryptoMainDialog(wxWindow *parent, wxWindowID id, const wxString &title)
    : wxMainDialog(parent, id, title, wxDefaultPosition, wxSize(508, 300),
                   wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX | wxCLIP_CHILDREN)
{
    SetIcons(programIcons());
}

CryptoMainDialog::~CryptoMainDialog() = default;

bool CryptoMainDialog::Show(bool show)
{
    if (show)
        InitDialog();
    const bool changed = wxMainDialog::Show(show);
    // Some toolkits (GTK) apply the captions' fonts only once the window exists on screen,
    // and the texts then need more room than measured before.
    if (show)
        fitContent();
    return changed;
}

void CryptoMainDialog::InitDialog()
{
    if (m_started)
        return;
    m_started = true;
    wxMainDialog::InitDialog();
}

int CryptoMainDialog::showMessage(const wxString &text, const wxString &caption, long style)
{
    return wxMessageBox(text, caption, style, this, 100, 50);
}

void CryptoMainDialog::OnClose(wxCloseEvent &)
{
    Destroy();
    endProgram(0);
}

void CryptoMainDialog::OnIdle(wxIdleEvent &) {}

void CryptoMainDialog::OnInitDialog(wxInitDialogEvent &)
{
    m_providerLabel->SetLabel(L"Выберите CSP для поиска ключевых контейнеров");
    m_containerLabel->SetLabel(L"Имя ключевого контейнера");
    m_storeLabel->SetLabel(L"Хранилище сертификатов");
    m_viewCertificateButton->SetLabel(L"Просмотр св-в сертификата");
    m_installButton->SetLabel(L"Установить");
    m_chooseStoreCheck->SetLabel(L"выбрать хранилище сертификатов");
    m_allContainersCheck->SetLabel(L"сертификаты из всех контейнеров");

    m_viewCertificateButton->Disable();
    m_installButton->Disable();
    m_storeCombo->Disable();
    m_allContainersCheck->Disable();

    fitContent();
    fillProviders();
    fillStores();
}

void CryptoMainDialog::fitContent()
{
    // The Russian labels are longer than the placeholders, and this toolkit's controls can be
    // taller than the size the window asks for allows: grow it where the content needs room,
    // so that no label is cut and "Установить" stays in view, clear of the bottom edge as
    // the groups are clear of the sides.
    const wxSize needed = GetSizer()->GetMinSize() + wxSize(0, 5);
    const wxSize client = GetClientSize();
    if (needed.x > client.x || needed.y > client.y)
        SetClientSize(wxSize(std::max(needed.x, client.x), std::max(needed.y, client.y)));
    Layout();
}

void CryptoMainDialog::fillProviders()
{
    m_selection.providerName.clear();
    m_selection.containerName.clear();
    m_selection.storeName.clear();
    m_providerCombo->Clear();
    m_containerCombo->Clear();

    const std::vector<crypto::ProviderEntry> providers = crypto::enumProviders();
    if (providers.empty())
        return;
    // The items point into this array: it is sized once, before the first item is added.
    m_providerTypes.assign(providers.size(), 0);
    for (size_t i = 0; i < providers.size(); ++i) {
        m_providerTypes[i] = providers[i].type;
        m_providerCombo->Append(providers[i].name, &m_providerTypes[i]);
    }

    // The GOST provider is searched even when it is not listed; the search then says why
    // it cannot be opened.
    m_selection.providerName = kProposedProvider;
    m_selection.providerType = kProposedProviderType;
    m_providerCombo->SetStringSelection(kProposedProvider);
    searchContainers();
}

void CryptoMainDialog::searchContainers()
{
    m_selection.containerName.clear();
    m_containerCombo->Clear();
    try {
        std::vector<std::wstring> containers;
        {
            const crypto::CryptoProvider provider = m_selection.openProvider(1);
            containers = provider.enumContainers();
        }
        for (const std::wstring &name : containers)
            m_containerCombo->Append(name);
        if (containers.empty() &&
            showMessage(L"Убедитесь, что вставлен ключевой носитель.\nОсуществить поиск контейнеров снова?" +
                            keyPlacesHint(),
                        L"Отсутствует носитель", wxYES_NO) == wxYES)
            searchContainers();
    } catch (const std::exception &error) {
        showErrorBox(this, error, L"Ошибка создания провайдера", L"Ошибка");
    }
    m_viewCertificateButton->Disable();
    m_installButton->Disable();
}

void CryptoMainDialog::OnContainerListOpening(wxCommandEvent &event)
{
    event.Skip();
    relistContainers();
}

void CryptoMainDialog::OnActivate(wxActivateEvent &event)
{
    event.Skip();
    if (event.GetActive() && m_started)
        relistContainers();
}

void CryptoMainDialog::relistContainers()
{
    if (m_providerCombo->GetSelection() == wxNOT_FOUND)
        return;
    std::vector<std::wstring> containers;
    try {
        const crypto::CryptoProvider provider = m_selection.openProvider(1);
        containers = provider.enumContainers();
    } catch (const std::exception &) {
        return; // the list stays as the last search left it; a search tells why
    }
    std::vector<std::wstring> listed;
    for (const wxString &name : m_containerCombo->GetStrings())
        listed.push_back(name.ToStdWstring());
    if (containers == listed)
        return;
    const wxString chosen = m_containerCombo->GetStringSelection();
    m_containerCombo->Set(std::vector<wxString>(containers.begin(), containers.end()));
    // The choice stays where its container does; SetStringSelection sends no text event.
    if (!chosen.empty() && !m_containerCombo->SetStringSelection(chosen)) {
        m_selection.containerName.clear();
        m_viewCertificateButton->Disable();
        m_installButton->Disable();
    }
}

void CryptoMainDialog::OnProviderChanged(wxCommandEvent &)
{
    const int item = m_providerCombo->GetSelection();
    if (item == wxNOT_FOUND)
        return;
    m_selection.providerType = *static_cast<const DWORD *>(m_providerCombo->GetClientData(item));
    m_selection.providerName = m_providerCombo->GetString(item).ToStdWstring();
    searchContainers();
}

void CryptoMainDialog::OnContainerChanged(wxCommandEvent &)
{
    m_selection.containerName = m_containerCombo->GetStringSelection().ToStdWstring();
    m_viewCertificateButton->Enable();
    m_installButton->Enable();
}

void CryptoMainDialog::fillStores()
{
    m_storeCombo->Clear();
    m_hasFileItem = false;
    for (const std::wstring &name : enumSystemStores())
        m_storeCombo->Append(storeTitle(name));
    m_storeCombo->Append(kFromFile);

    const StoreConfig config = readCryptoConfig(std::wstring());
    if (isFileType(config.type)) {
        // The configured path is the target until the user picks another store.
        m_selection.storeIsFile = true;
        m_selection.storeName = config.name;
        showTargetStore();
        return;
    }
    if (m_storeCombo->SetStringSelection(storeTitle(config.name)))
        m_selection.storeName = config.name; // as written, e.g. "MY"
}

void CryptoMainDialog::OnChooseStoreToggled(wxCommandEvent &)
{
    // The store choice itself stays: clearing the tick keeps the last chosen store.
    m_storeCombo->Enable(m_chooseStoreCheck->IsChecked());
}

wxString CryptoMainDialog::chosenPath(const wxFileDialog &dialog) const { return dialog.GetPath(); }

int CryptoMainDialog::fileItem() const
{
    return m_hasFileItem ? static_cast<int>(m_storeCombo->GetCount()) - 2 : wxNOT_FOUND;
}

void CryptoMainDialog::showTargetStore()
{
    if (m_selection.storeIsFile) {
        // The file's own entry, just above "Из файла...", so that the user sees which file.
        if (!m_hasFileItem) {
            m_storeCombo->Insert(m_selection.storeName, m_storeCombo->GetCount() - 1);
            m_hasFileItem = true;
        } else {
            m_storeCombo->SetString(fileItem(), m_selection.storeName);
        }
        m_storeCombo->SetSelection(fileItem());
    } else if (m_selection.storeName.empty() || !m_storeCombo->SetStringSelection(storeTitle(m_selection.storeName)))
        m_storeCombo->SetSelection(wxNOT_FOUND);
}

void CryptoMainDialog::OnStoreChanged(wxCommandEvent &)
{
    const int item = m_storeCombo->GetSelection();
    if (item == wxNOT_FOUND)
        return;
    if (item == static_cast<int>(m_storeCombo->GetCount()) - 1) {
        wxFileDialog dialog(this, L"Выберите файл хранилища", wxEmptyString, wxEmptyString,
                            L"SST (*.sst)|*.sst|All files (*.*)|*.*", wxFD_OPEN, wxDefaultPosition, wxDefaultSize,
                            L"filedlg");
        if (dialog.ShowModal() == wxID_OK) {
            m_selection.storeName = chosenPath(dialog).ToStdWstring();
            m_selection.storeIsFile = true;
        }
        // The chosen file by its path; after a cancel the store chosen before, as "Из
        // файла..." would claim a file that was never chosen.
        showTargetStore();
        return;
    }
    if (item == fileItem()) {
        m_selection.storeName = m_storeCombo->GetString(item).ToStdWstring();
        m_selection.storeIsFile = true;
        return;
    }
    m_selection.storeName = storeNameByTitle(m_storeCombo->GetString(item).ToStdWstring());
    m_selection.storeIsFile = false;
}

void CryptoMainDialog::OnViewStore(wxCommandEvent &)
{
    try {
        auto *editor = new test::StoreViewDialog(m_selection.storeName, m_selection.storeIsFile);
        // Placed by the window manager it could open partly off the display.
        placeOnDisplayOf(*editor, this);
        editor->Show(true);
    } catch (const std::exception &error) {
        showErrorBox(this, error, L"Ошибка", L"Ошибка создания сертификата");
    }
}

void CryptoMainDialog::OnViewCertificate(wxCommandEvent &)
{
    try {
        const crypto::CryptoProvider provider = m_selection.openProvider(2);
        const crypto::CryptoKey key(provider, AT_KEYEXCHANGE);
        const crypto::CryptoCertificate certificate(key);
        // The dialog copies what it shows: the certificate, key and context go right after.
        auto *dialog = new CertViewDialog(certificate, this, L"Свойства сертификата");
        dialog->Show(true);
    } catch (const std::exception &error) {
        showErrorBox(this, error, L"Ошибка создания сертификата", L"Ошибка");
    }
}

void CryptoMainDialog::OnInstall(wxCommandEvent &)
{
    // What failed, and where, comes before the system's reason; the container's own
    // errors already name what went wrong with it.
    std::wstring what;
    try {
        // Released in reverse: the store first (a store file is closed), the provider last.
        const crypto::CryptoProvider provider = m_selection.openProvider(2);
        const crypto::CryptoCertificate certificate = crypto::linkedCertificate(provider);

        const std::wstring storeShown =
            m_selection.storeIsFile ? m_selection.storeName : storeTitle(m_selection.storeName);
        what = L"Не удалось установить сертификат в хранилище «" + storeShown + L"».\n\n";
        const boost::shared_ptr<crypto::CryptoStore> store = m_selection.openStore();
        store->add(certificate);
        // A store file is written now, so that the success box below is true for it too.
        store->commit();
        // Editor pages of that store show what it holds now.
        test::StoreViewDialog::showStoreChanged(m_selection.storeName, m_selection.storeIsFile);

        showMessage(L"Сертификат '" + certificate.simpleDisplayName() + L"' установлен!\nХранилище: " + storeShown,
                    L"Результат установки сертификата", 0);
    } catch (const std::exception &error) {
        showErrorBox(this, error, L"Ошибка", L"Ошибка установки сертификата", what);
    }
}
