#include "storeview/certificatelist.h"

namespace test {

CertificateList::CertificateList(wxWindow *parent, CertificateRows *rows)
    : wxListCtrl(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxLC_REPORT | wxLC_VIRTUAL, wxDefaultValidator,
                 L"listCtrl"),
      m_rows(rows)
{
    Bind(wxEVT_LIST_COL_CLICK, &CertificateList::OnColumnClick, this);
}

CertificateList::~CertificateList()
{
    Unbind(wxEVT_LIST_COL_CLICK, &CertificateList::OnColumnClick, this);
}

std::vector<size_t> CertificateList::selectedPositions() const
{
    std::vector<size_t> positions;
    for (long item = GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED); item != -1;
         item = GetNextItem(item, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED))
        positions.push_back(static_cast<size_t>(item));
    return positions;
}

void CertificateList::showFilled()
{
    show({});
}

void CertificateList::showChanged(const std::function<void(CertificateRows &rows)> &change)
{
    if (!m_rows)
        return;
    std::vector<size_t> ids;
    for (size_t position : selectedPositions())
        ids.push_back(m_rows->idAt(position));
    change(*m_rows);
    show(m_rows->positionsOf(ids));
}

void CertificateList::selectAll()
{
    SetItemState(-1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void CertificateList::selectPositions(const std::vector<size_t> &positions)
{
    for (size_t position : positions)
        SetItemState(static_cast<long>(position), wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
}

void CertificateList::show(const std::vector<size_t> &selected)
{
    // The selection goes by place: cleared while the places still mean the old rows.
    SetItemState(-1, 0, wxLIST_STATE_SELECTED);
    SetItemCount(m_rows ? static_cast<long>(m_rows->size()) : 0);
    selectPositions(selected);
    Refresh();
}

wxString CertificateList::OnGetItemText(long item, long column) const
{
    // Asked while rows are being made, the list may still count the rows it had.
    if (!m_rows || item < 0 || static_cast<size_t>(item) >= m_rows->size() || column < 0 || column > CertificateRows::KEY)
        return wxString();
    return (*m_rows)[static_cast<size_t>(item)].texts[column];
}

void CertificateList::OnColumnClick(wxListEvent &event)
{
    const int column = event.GetColumn();
    if (!m_rows || column < 0) // beyond the last heading
        return;
    const bool ascending = column != m_rows->sortColumn() || !m_rows->sortAscending();
    showChanged([&](CertificateRows &rows) { rows.sort(column, ascending); });
    ShowSortIndicator(column, ascending);
}

} // namespace test
