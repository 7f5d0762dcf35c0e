// A page's certificate list: a virtual report list that draws the page's rows as it needs
// them, and sorts them by the column whose heading is clicked.
#pragma once

#include "storeview/certificaterows.h"

#include <wx/listctrl.h>

#include <functional>
#include <vector>

namespace test {

class CertificateList : public wxListCtrl {
public:
    // Shows `rows` (none: an empty list), which must outlive the list.
    CertificateList(wxWindow *parent, CertificateRows *rows);
    ~CertificateList() override;

    // The places of the selected rows, from the top.
    std::vector<size_t> selectedPositions() const;
    // Shows the rows after they were filled anew, none selected.
    void showFilled();
    // Changes the rows and shows them again; the rows selected before stay selected
    // where they are still shown.
    void showChanged(const std::function<void(CertificateRows &rows)> &change);
    // Selects every row, or the rows at these places besides those selected.
    void selectAll();
    void selectPositions(const std::vector<size_t> &positions);

private:
    wxString OnGetItemText(long item, long column) const override;
    // A click on a heading sorts by its column: ascending, then descending on the next.
    void OnColumnClick(wxListEvent &event);
    void show(const std::vector<size_t> &selected);

    CertificateRows *m_rows;
};

} // namespace test
