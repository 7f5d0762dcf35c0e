// The store editor built for Windows, against the system's own stores: what crypt32 put
// into the user's "My" store is what the editor's page lists, row by row.
#include "../storeview/storeeditor.h"
#include "storefixtures.h"

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>

namespace {

using Row = std::vector<std::wstring>; // subject, issuer, hash, key

class SystemStoreRows : public guitest::GuiTest {};

testsupport::Bytes data(const char *name) { return testsupport::readFile(TEST_DATA_DIR + "/" + name); }

const wchar_t kProvider[] = L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider";

// Puts the certificate into the store through crypt32 alone, not through the services.
void putInto(HCERTSTORE store, const testsupport::Bytes &der, const wchar_t *container)
{
    PCCERT_CONTEXT added = nullptr;
    ASSERT_TRUE(CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), static_cast<DWORD>(der.size()),
                                                 CERT_STORE_ADD_REPLACE_EXISTING, &added));
    const crypto::CryptoCertificate owner = crypto::CryptoCertificate::adopt(added);
    if (container) {
        CRYPT_KEY_PROV_INFO link{};
        link.pwszContainerName = const_cast<wchar_t *>(container);
        link.pwszProvName = const_cast<wchar_t *>(kProvider);
        link.dwProvType = 75;
        link.dwKeySpec = AT_KEYEXCHANGE;
        EXPECT_TRUE(CertSetCertificateContextProperty(added, CERT_KEY_PROV_INFO_PROP_ID, 0, &link));
    }
}

} // namespace

TEST_F(SystemStoreRows, TheEditorListsEveryCertificateThatCrypt32PutIntoMy)
{
    const testsupport::Bytes rsa = data("rsa.der"), gost = data("gost2012.der"), noCommonName = data("no-cn.der");
    HCERTSTORE my = CertOpenSystemStoreW(0, L"My");
    ASSERT_NE(my, nullptr);
    putInto(my, rsa, nullptr);
    putInto(my, gost, L"\\\\.\\FLASH\\Иванов");
    putInto(my, noCommonName, nullptr);
    CertCloseStore(my, 0);

    auto *editor = new StoreEditor(L"My", false);
    guitest::processEvents();
    const wxListCtrl &list = editor->currentList();
    std::vector<Row> rows;
    for (long row = 0; row < list.GetItemCount(); ++row)
        rows.push_back({list.GetItemText(row, StoreEditor::COLUMN_SUBJECT).ToStdWstring(),
                        list.GetItemText(row, StoreEditor::COLUMN_ISSUER).ToStdWstring(),
                        list.GetItemText(row, StoreEditor::COLUMN_HASH).ToStdWstring(),
                        list.GetItemText(row, StoreEditor::COLUMN_KEY).ToStdWstring()});
    std::sort(rows.begin(), rows.end()); // the store's order is the system's
    std::vector<Row> expected{
        {L"Only Org", L"Certinstall Test CA", storetest::hashText(noCommonName), L""},
        {L"RSA Test", L"Certinstall Test CA", storetest::hashText(rsa), L""},
        {L"Иванов Иван Иванович", L"Иванов Иван Иванович", storetest::hashText(gost),
         std::wstring(L"\\\\.\\FLASH\\Иванов - ") + kProvider},
    };
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(rows, expected);
    EXPECT_EQ(editor->m_notebook->GetPageText(0), wxString(L"Личные"));
    EXPECT_TRUE(guitest::dialogs().messageBoxes().empty());
}
