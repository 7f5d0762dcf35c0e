// The rows of one editor page: what its list shows of each certificate of a store, and
// which of them it shows, in what order. The list asks for its texts here as it draws.
#pragma once

#include "crypto/certificate.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace test {

// One certificate as a page lists it.
struct CertificateRow {
    // The texts of the five columns, by CertificateRows::Column.
    std::wstring texts[5];
    // The end of validity (a FILETIME as one number), so that the column sorts as dates.
    std::uint64_t notAfter = 0;

    const std::wstring &subject() const { return texts[0]; }
    const std::wstring &hash() const { return texts[3]; }
};

class CertificateRows {
public:
    enum Column { SUBJECT, ISSUER, NOT_AFTER, HASH, KEY };

    // What a list shows of the certificate.
    static CertificateRow rowOf(const crypto::CryptoCertificate &certificate);

    // A row for each certificate, in the order given (then ordered by the sort in force),
    // every row shown; `progress` is told the number of rows made after each one.
    void fill(const std::vector<crypto::CryptoCertificate> &certificates,
              const std::function<void(size_t made)> &progress);

    // The rows shown, by their place in the list.
    size_t size() const { return m_shown.size(); }
    const CertificateRow &operator[](size_t position) const { return m_rows[m_shown[position]]; }

    // Keeps shown only the rows whose subject holds `text`, letter case aside (StrStrIW),
    // in their order; an empty text keeps none.
    void narrow(const std::wstring &text);
    // Stops showing the rows at these places.
    void remove(const std::vector<size_t> &positions);
    // Orders the rows shown by a column, dates as dates and texts as the user's language
    // orders them; rows that compare equal keep the order they were given in. Later fills
    // keep the order.
    void sort(int column, bool ascending);
    int sortColumn() const { return m_sortColumn; }
    bool sortAscending() const { return m_ascending; }

    // A row's identity, which the places of the rows shown can be found by again after
    // they changed, until the next fill.
    size_t idAt(size_t position) const { return m_shown[position]; }
    // The places of the rows with these identities that are still shown, from the top.
    std::vector<size_t> positionsOf(const std::vector<size_t> &ids) const;

private:
    void applySort();

    std::vector<CertificateRow> m_rows;
    std::vector<size_t> m_shown; // indices into m_rows, in list order
    int m_sortColumn = -1;
    bool m_ascending = true;
};

} // namespace test
