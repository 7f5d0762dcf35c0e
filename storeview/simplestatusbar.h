// The store editor's status bar: three fields, a progress gauge kept over the middle one.
#pragma once

#include <wx/gauge.h>
#include <wx/statusbr.h>

#include <string>

namespace test {

class SimpleStatusBar : public wxStatusBar {
public:
    // Field 0 takes the rest of the width, field 1 (the gauge's) 100 pixels, field 2 as
    // much as the counts text needs for counts of up to five digits.
    SimpleStatusBar(wxWindow *parent, wxWindowID id);
    ~SimpleStatusBar() override;

    // Range and value show how far a list has been filled.
    wxGauge *gauge() const { return m_gauge; }

    // The text of field 2: how many certificates a list shows of how many its store holds.
    static std::wstring countsText(long shown, long total);

protected:
    void DoUpdateStatusText(int field) override;

private:
    void OnSize(wxSizeEvent &event);
    // Puts the gauge inside field 1, 2 pixels from each of its edges.
    void placeGauge();
    // The width that shows the longest counts text whole at the bar's font.
    int countsFieldWidth() const;

    wxGauge *m_gauge;

    wxDECLARE_EVENT_TABLE();
};

} // namespace test
