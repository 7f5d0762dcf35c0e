#include "storefixtures.h"

#include "crypto/certificate.h"
#include "storeview/storeviewdialog.h"

#include <wx/string.h>

#include <cstdio>

namespace storetest {

Bytes certificate(const std::string &commonName, const std::string &organization)
{
    testsupport::CertificateSpec spec;
    spec.commonName = commonName;
    spec.organization = organization;
    return testsupport::makeCertificate(spec);
}

std::wstring hashText(const Bytes &der)
{
    std::wstring text;
    for (unsigned char byte : testsupport::sha1Of(der)) {
        wchar_t digits[3];
        std::swprintf(digits, 3, L"%02X", byte);
        text += digits;
    }
    return text;
}

void add(crypto::CryptoStore &store, const Bytes &der, const wchar_t *container, const wchar_t *provider)
{
    const crypto::CryptoCertificate created = crypto::CryptoCertificate::adopt(
        CertCreateCertificateContext(X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size())));
    PCCERT_CONTEXT context = created.context();
    ASSERT_NE(context, nullptr);
    if (container) {
        CRYPT_KEY_PROV_INFO info{};
        info.pwszContainerName = const_cast<wchar_t *>(container);
        info.pwszProvName = const_cast<wchar_t *>(provider);
        info.dwProvType = 75;
        info.dwKeySpec = AT_KEYEXCHANGE;
        EXPECT_TRUE(CertSetCertificateContextProperty(context, CERT_KEY_PROV_INFO_PROP_ID, 0, &info));
    }
    store.add(context);
}

size_t copiesIn(const crypto::CryptoStore &store, const Bytes &der)
{
    const std::wstring hash = hashText(der);
    size_t copies = 0;
    for (const crypto::CryptoCertificate &certificate : store.enumerate())
        copies += certificate.sha1Hash() == hash;
    return copies;
}

std::vector<std::wstring> column(const wxListCtrl &list, int column)
{
    std::vector<std::wstring> texts;
    for (long row = 0; row < list.GetItemCount(); ++row)
        texts.push_back(list.GetItemText(row, column).ToStdWstring());
    return texts;
}

long rowOf(const wxListCtrl &list, const Bytes &der)
{
    const std::wstring hash = hashText(der);
    for (long row = 0; row < list.GetItemCount(); ++row)
        if (list.GetItemText(row, test::StoreViewDialog::COLUMN_HASH).ToStdWstring() == hash)
            return row;
    return -1;
}

void select(wxListCtrl &list, std::initializer_list<long> rows)
{
    for (long row = 0; row < list.GetItemCount(); ++row)
        list.SetItemState(row, 0, wxLIST_STATE_SELECTED);
    for (long row : rows)
        list.SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

std::vector<long> selectedRows(const wxListCtrl &list)
{
    std::vector<long> rows;
    for (long row = list.GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); row != -1;
         row = list.GetNextItem(row, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        rows.push_back(row);
    return rows;
}

ScopedEnvironment::~ScopedEnvironment()
{
    for (const auto &[name, old] : m_saved)
        old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str());
}

void ScopedEnvironment::set(const std::string &name, const std::string &value)
{
    if (!m_saved.count(name)) {
        const char *old = std::getenv(name.c_str());
        m_saved[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    ::setenv(name.c_str(), value.c_str(), 1);
}

std::wstring EditorTest::storeFile(const std::string &name) const
{
    return wxString::FromUTF8(home().file(name)).ToStdWstring();
}

void EditorTest::fillSystemStore(const std::wstring &name, const std::vector<Bytes> &certificates) const
{
    const auto store = crypto::openStore(name, false);
    for (const Bytes &der : certificates)
        add(*store, der);
}

void EditorTest::fillStoreFile(const std::wstring &path, const std::vector<Bytes> &certificates) const
{
    const auto store = crypto::openStore(path, true);
    for (const Bytes &der : certificates)
        add(*store, der);
}

} // namespace storetest
