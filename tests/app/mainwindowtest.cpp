#include "mainwindowtest.h"

#include "crypto/provider.h"

#include "keymedia.h"

#include <wx/app.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace apptest {

const wchar_t kGostProvider[] = L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider";
const wchar_t kTitle[] = L"Установка сертификата из ключевого контейнера";

namespace {

void sendTo(wxWindow *control, wxCommandEvent &event)
{
    event.SetEventObject(control);
    control->GetEventHandler()->ProcessEvent(event);
}

} // namespace

std::string utf8(const std::wstring &text) { return keymediatest::utf8(text); }
std::wstring wide(const std::string &utf8Text) { return keymediatest::fromUtf8(utf8Text); }

MainWindow::MainWindow() : CryptoMainDialog(nullptr, wxID_ANY, kTitle) {}

void pick(wxComboBox *combo, int item)
{
    combo->SetSelection(item);
    wxCommandEvent event(wxEVT_COMMAND_TEXT_UPDATED, combo->GetId());
    event.SetString(combo->GetString(item));
    sendTo(combo, event);
}

void pick(wxComboBox *combo, const wxString &text)
{
    const int item = combo->FindString(text, true);
    ASSERT_NE(item, wxNOT_FOUND) << "no item " << text.utf8_string();
    pick(combo, item);
}

void click(wxButton *button)
{
    wxCommandEvent event(wxEVT_COMMAND_BUTTON_CLICKED, button->GetId());
    sendTo(button, event);
}

void setTick(wxCheckBox *check, bool on)
{
    check->SetValue(on);
    wxCommandEvent event(wxEVT_COMMAND_CHECKBOX_CLICKED, check->GetId());
    event.SetInt(on ? 1 : 0);
    sendTo(check, event);
}

std::vector<wxString> itemsOf(const wxComboBox *combo)
{
    std::vector<wxString> items;
    for (unsigned i = 0; i < combo->GetCount(); ++i)
        items.push_back(combo->GetString(i));
    return items;
}

void MainWindowTest::SetUp()
{
    GuiTest::SetUp();
    // Media are searched only in the test's own mount folder; Crypto.cfg is read from the
    // test's configuration folder (none lies next to the test program).
    std::filesystem::create_directories(path("media"));
    ::setenv("CERTINSTALL_MEDIA", path("media").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", path("config").c_str(), 1);
    // A Russian user whose ANSI code page holds the Cyrillic container names.
    if (const char *locale = std::getenv("LC_ALL"))
        m_savedLocale = locale;
    ::setenv("LC_ALL", "ru_RU.UTF-8", 1);
}

void MainWindowTest::TearDown()
{
    GuiTest::TearDown();
    if (m_savedLocale.empty())
        ::unsetenv("LC_ALL");
    else
        ::setenv("LC_ALL", m_savedLocale.c_str(), 1);
    ::unsetenv("CERTINSTALL_MEDIA");
}

MainWindow *MainWindowTest::openWindow()
{
    auto *window = new MainWindow();
    window->Show(true);
    return window;
}

void MainWindowTest::makeContainerIn(const std::string &keyFolder, const std::wstring &name,
                                     const std::wstring &commonName)
{
    keymediatest::createContainer(keyFolder, utf8(name), "/CN=" + utf8(commonName));
}

void MainWindowTest::makeLocalContainer(const std::wstring &name, const std::wstring &commonName)
{
    makeContainerIn(path("keys"), name, commonName);
}

void MainWindowTest::makeContainerOnMedium(const std::string &medium, const std::wstring &name,
                                           const std::wstring &commonName)
{
    // A mounted medium carries its containers in a key folder at its top.
    makeContainerIn(path("media/" + medium + "/certinstall-keys"), name, commonName);
}

void MainWindowTest::importKeyOnly(const std::wstring &name, const std::string &privateKeyFile)
{
    const testsupport::ProgramResult result = keymediatest::keymedium(
        {"import", "--key-folder", path("keys"), "--name", utf8(name), "--private-key", privateKeyFile});
    EXPECT_EQ(result.exitCode, 0) << result.err;
}

void MainWindowTest::removeMedium(const std::string &medium) { std::filesystem::remove_all(path("media/" + medium)); }

void MainWindowTest::writeCryptoConfig(const std::string &text)
{
    std::filesystem::create_directories(path("config/certinstall"));
    std::ofstream(path("config/certinstall/Crypto.cfg"), std::ios::binary) << text;
}

void MainWindowTest::writeProviderConfig(const std::string &text)
{
    std::ofstream(path("providers.conf"), std::ios::binary) << text;
}

std::vector<crypto::CryptoCertificate> MainWindowTest::systemStore(const std::wstring &name) const
{
    HCERTSTORE store = CertOpenSystemStoreW(0, name.c_str());
    EXPECT_NE(store, nullptr) << "cannot open the system store " << utf8(name);
    std::vector<crypto::CryptoCertificate> certificates;
    for (PCCERT_CONTEXT context = store ? CertEnumCertificatesInStore(store, nullptr) : nullptr; context;
         context = CertEnumCertificatesInStore(store, context))
        certificates.push_back(crypto::CryptoCertificate::share(context));
    if (store)
        CertCloseStore(store, 0);
    return certificates;
}

std::vector<crypto::CryptoCertificate> MainWindowTest::storeFile(const std::string &file) const
{
    const std::wstring name = wide(file);
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_FILENAME_W, X509_ASN_ENCODING, 0,
                                     CERT_STORE_READONLY_FLAG | CERT_STORE_OPEN_EXISTING_FLAG, name.c_str());
    EXPECT_NE(store, nullptr) << "cannot open the store file " << file;
    std::vector<crypto::CryptoCertificate> certificates;
    for (PCCERT_CONTEXT context = store ? CertEnumCertificatesInStore(store, nullptr) : nullptr; context;
         context = CertEnumCertificatesInStore(store, context))
        certificates.push_back(crypto::CryptoCertificate::share(context));
    if (store)
        CertCloseStore(store, 0);
    return certificates;
}

std::wstring MainWindowTest::uniqueNameOf(const std::wstring &container) const
{
    return crypto::CryptoProvider(kGostProvider, container, 75, 0).uniqueContainerName();
}

} // namespace apptest
