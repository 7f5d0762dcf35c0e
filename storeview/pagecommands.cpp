#include "storeview/pagecommands.h"

#include "crypto/cryptexception.h"
#include "crypto/certformat.h"

namespace test {

crypto::CryptoCertificate certificateByHash(const crypto::CryptoStore &store, const std::wstring &hash)
{
    return store.findByHash(crypto::hexToBytes(hash));
}

std::vector<crypto::CryptoCertificate> certificatesOf(const crypto::CryptoStore &store,
                                                      const std::vector<CertificateRow> &rows)
{
    std::vector<crypto::CryptoCertificate> certificates;
    certificates.reserve(rows.size());
    for (const CertificateRow &row : rows)
        certificates.push_back(certificateByHash(store, row.hash()));
    return certificates;
}

void deleteByHash(const crypto::CryptoStore &store, const std::wstring &hash)
{
    crypto::CryptoCertificate certificate = certificateByHash(store, hash);
    if (!certificate.deleteFromStore())
        crypto::throwLastError();
}

PageAddition::PageAddition(crypto::CryptoStore &store, const CertificateRows &shown) : m_store(store)
{
    m_hashes.reserve(shown.size());
    for (std::size_t position = 0; position < shown.size(); ++position)
        m_hashes.insert(shown[position].hash());
}

bool PageAddition::isNew(const std::wstring &hash, const std::function<std::wstring()> &name)
{
    if (m_hashes.insert(hash).second)
        return true;
    m_present.push_back(name());
    return false;
}

void PageAddition::add(const crypto::CryptoCertificate &certificate)
{
    m_store.add(certificate);
    ++m_added;
}

void PageAddition::commit()
{
    if (m_added == 0)
        return;
    try {
        m_store.commit();
    } catch (...) {
        m_added = 0;
        throw;
    }
}

} // namespace test
