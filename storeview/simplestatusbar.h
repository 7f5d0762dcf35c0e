// The store editor's status bar: three fields, a progress gauge kept over the middle one.
#pragma once

#include <wx/gauge.h>
#include <wx/statusbr.h>

namespace test {

class SimpleStatusBar : public wxStatusBar {
public:
    // Field 0 takes the rest of the width, field 1 (the gauge's) 100 pixels, field 2 220.
    SimpleStatusBar(wxWindow *parent, wxWindowID id);
    ~SimpleStatusBar() override;

    // Range and value show how far a list has been filled.
    wxGauge *gauge() const { return m_gauge; }

private:
    void OnSize(wxSizeEvent &event);
    // Puts the gauge inside field 1, 2 pixels from each of its edges.
    void placeGauge();

    wxGauge *m_gauge;

    wxDECLARE_EVENT_TABLE();
};

} // namespace test
