// Certificates for the editor's tests, made by openssl and put into the system stores and
// store files of the test's own $CERTINSTALL_HOME; list rows read back by their texts.
#pragma once

#include "crypto/store.h"

#include "certfactory.h"
#include "guitest.h"

#include <wx/listctrl.h>

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace storetest {

using testsupport::Bytes;

// A new certificate whose subject holds these attributes (an empty one is left out).
// Every call makes another certificate, also for the same names.
Bytes certificate(const std::string &commonName, const std::string &organization = "");

// The certificate's SHA-1 hash as 40 upper-case hexadecimal digits.
std::wstring hashText(const Bytes &der);

// Adds the certificate, linked to a key container when `container` is given.
void add(crypto::CryptoStore &store, const Bytes &der, const wchar_t *container = nullptr,
         const wchar_t *provider = nullptr);

// How many certificates of the store are this one.
size_t copiesIn(const crypto::CryptoStore &store, const Bytes &der);

// The texts of one column, row by row.
std::vector<std::wstring> column(const wxListCtrl &list, int column);
// The row showing the certificate (by its hash); -1 when none does.
long rowOf(const wxListCtrl &list, const Bytes &der);
// Selects exactly these rows.
void select(wxListCtrl &list, std::initializer_list<long> rows);
std::vector<long> selectedRows(const wxListCtrl &list);

// Sets environment variables for its lifetime and puts back what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment &) = delete;
    ScopedEnvironment &operator=(const ScopedEnvironment &) = delete;
    ~ScopedEnvironment();
    void set(const std::string &name, const std::string &value);

private:
    std::map<std::string, std::optional<std::string>> m_saved;
};

class EditorTest : public guitest::GuiTest {
protected:
    // A store file's path in the test's home.
    std::wstring storeFile(const std::string &name) const;
    // Stores filled before an editor opens them; they are written when this returns.
    void fillSystemStore(const std::wstring &name, const std::vector<Bytes> &certificates) const;
    void fillStoreFile(const std::wstring &path, const std::vector<Bytes> &certificates) const;
};

} // namespace storetest
