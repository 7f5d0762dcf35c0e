// The store rules behind the store editor's commands, without a window: which certificate a
// row stands for, what counts as on the page already, and when a change is written.
#pragma once

#include "crypto/certificate.h"
#include "crypto/store.h"
#include "storeview/certificaterows.h"

#include <cstddef>
#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

namespace test {

// The certificate of `store` whose SHA-1 hash a row's text gives; throws when there is none.
crypto::CryptoCertificate certificateByHash(const crypto::CryptoStore &store, const std::wstring &hash);

// The certificates the rows stand for, in their order; throws at the first one missing.
std::vector<crypto::CryptoCertificate> certificatesOf(const crypto::CryptoStore &store,
                                                      const std::vector<CertificateRow> &rows);

// Deletes the certificate with that hash from the store (a store file keeps the deletion
// until its commit); throws when it is missing or cannot be deleted.
void deleteByHash(const crypto::CryptoStore &store, const std::wstring &hash);

// Adds certificates to a page's store, each once: one the page shows, or one this addition
// met before, counts as there already and is not added again. (The same hash is the same
// certificate: rows a filter hides are not looked at.)
class PageAddition {
public:
    PageAddition(crypto::CryptoStore &store, const CertificateRows &shown);

    // True the first time a hash comes that the page does not show; otherwise false, and
    // the certificate's name (asked only then: it costs more than the add) is listed as
    // there already.
    bool isNew(const std::wstring &hash, const std::function<std::wstring()> &name);
    // Adds a certificate that isNew took as new; throws when the store refuses it.
    void add(const crypto::CryptoCertificate &certificate);
    // Writes what was added, once; when that fails nothing counts as added (the store holds
    // what its file does once read again) and the error is thrown.
    void commit();

    std::size_t added() const { return m_added; }
    const std::vector<std::wstring> &present() const { return m_present; }

private:
    crypto::CryptoStore &m_store;
    std::unordered_set<std::wstring> m_hashes;
    std::vector<std::wstring> m_present;
    std::size_t m_added = 0;
};

} // namespace test
