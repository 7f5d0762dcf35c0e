#include "storeview/certificaterows.h"

#include "crypto/certformat.h"

#include <shlwapi.h>

#include <algorithm>
#include <cwchar>

namespace test {

namespace {

// What a list shows for a distinguished name: its common name, else its organisation.
std::wstring shownName(const std::wstring &x500Name)
{
    const std::wstring commonName = crypto::extractField(x500Name, L"CN=", L',');
    return commonName.empty() ? crypto::extractField(x500Name, L"O=", L',') : commonName;
}

// Negative, zero or positive as `a` sorts before, with or after `b` in the column.
int compareIn(int column, const CertificateRow &a, const CertificateRow &b)
{
    if (column == CertificateRows::NOT_AFTER)
        return a.notAfter < b.notAfter ? -1 : a.notAfter > b.notAfter;
    return std::wcscoll(a.texts[column].c_str(), b.texts[column].c_str());
}

} // namespace

CertificateRow CertificateRows::rowOf(const crypto::CryptoCertificate &certificate)
{
    CertificateRow row;
    row.texts[SUBJECT] = shownName(certificate.subjectName(CERT_X500_NAME_STR));
    row.texts[ISSUER] = shownName(certificate.issuerName(CERT_X500_NAME_STR));
    row.texts[NOT_AFTER] = certificate.notAfter();
    row.texts[HASH] = certificate.sha1Hash();
    row.texts[KEY] = certificate.keyContainerInfo();
    const FILETIME &notAfter = certificate.context()->pCertInfo->NotAfter;
    row.notAfter = std::uint64_t(notAfter.dwHighDateTime) << 32 | notAfter.dwLowDateTime;
    return row;
}

void CertificateRows::fill(const std::vector<crypto::CryptoCertificate> &certificates,
                           const std::function<void(size_t made)> &progress)
{
    m_rows.clear();
    m_shown.clear();
    m_rows.reserve(certificates.size());
    for (const crypto::CryptoCertificate &certificate : certificates) {
        m_shown.push_back(m_rows.size());
        m_rows.push_back(rowOf(certificate));
        progress(m_rows.size());
    }
    applySort();
}

namespace {

// Russian writers put "е" for "ё" as often as not: the filter takes them as one letter.
bool holdsYo(const std::wstring &text) { return text.find_first_of(L"ёЁ") != std::wstring::npos; }

std::wstring withoutYo(std::wstring text)
{
    for (wchar_t &c : text)
        if (c == L'ё')
            c = L'е';
        else if (c == L'Ё')
            c = L'Е';
    return text;
}

} // namespace

void CertificateRows::narrow(const std::wstring &text)
{
    const std::wstring wanted = withoutYo(text);
    const auto dropped = [&](size_t id) {
        const std::wstring &subject = m_rows[id].subject();
        // Only names that hold the letter are copied, so that a keystroke stays cheap.
        return !StrStrIW(holdsYo(subject) ? withoutYo(subject).c_str() : subject.c_str(), wanted.c_str());
    };
    m_shown.erase(std::remove_if(m_shown.begin(), m_shown.end(), dropped), m_shown.end());
}

void CertificateRows::remove(const std::vector<size_t> &positions)
{
    std::vector<bool> removed(m_shown.size());
    for (size_t position : positions)
        removed.at(position) = true;
    size_t kept = 0;
    for (size_t position = 0; position < m_shown.size(); ++position)
        if (!removed[position])
            m_shown[kept++] = m_shown[position];
    m_shown.resize(kept);
}

void CertificateRows::sort(int column, bool ascending)
{
    if (column < SUBJECT || column > KEY)
        return;
    m_sortColumn = column;
    m_ascending = ascending;
    applySort();
}

void CertificateRows::applySort()
{
    if (m_sortColumn < 0)
        return;
    std::sort(m_shown.begin(), m_shown.end(), [&](size_t a, size_t b) {
        const int order = compareIn(m_sortColumn, m_rows[a], m_rows[b]);
        if (order != 0)
            return m_ascending ? order < 0 : order > 0;
        return a < b; // equal rows in the order they came in
    });
}

std::vector<size_t> CertificateRows::positionsOf(const std::vector<size_t> &ids) const
{
    std::vector<bool> wanted(m_rows.size());
    for (size_t id : ids)
        wanted.at(id) = true;
    std::vector<size_t> positions;
    for (size_t position = 0; position < m_shown.size(); ++position)
        if (wanted[m_shown[position]])
            positions.push_back(position);
    return positions;
}

} // namespace test
