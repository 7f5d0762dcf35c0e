#include "storeview/simplestatusbar.h"

namespace test {

wxBEGIN_EVENT_TABLE(SimpleStatusBar, wxStatusBar)
    EVT_SIZE(SimpleStatusBar::OnSize)
wxEND_EVENT_TABLE()

SimpleStatusBar::SimpleStatusBar(wxWindow *parent, wxWindowID id)
    : wxStatusBar(parent, id, wxST_SIZEGRIP, L"statusBar")
{
    const int widths[] = {-1, 100, 220};
    SetFieldsCount(3, widths);
    m_gauge = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, wxDefaultSize, wxGA_HORIZONTAL, wxDefaultValidator,
                          L"gauge");
    m_gauge->SetValue(0);
    placeGauge();
}

SimpleStatusBar::~SimpleStatusBar() = default;

void SimpleStatusBar::OnSize(wxSizeEvent &event)
{
    placeGauge();
    event.Skip(); // the status bar lays out its fields too
}

void SimpleStatusBar::placeGauge()
{
    wxRect field;
    GetFieldRect(1, field);
    m_gauge->SetSize(field.x + 2, field.y + 2, field.width - 4, field.height - 4, wxSIZE_AUTO);
}

} // namespace test
