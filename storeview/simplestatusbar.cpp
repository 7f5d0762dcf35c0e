#include "storeview/simplestatusbar.h"

#include <algorithm>

namespace test {

wxBEGIN_EVENT_TABLE(SimpleStatusBar, wxStatusBar)
    EVT_SIZE(SimpleStatusBar::OnSize)
wxEND_EVENT_TABLE()

SimpleStatusBar::SimpleStatusBar(wxWindow *parent, wxWindowID id)
    : wxStatusBar(parent, id, wxST_SIZEGRIP, L"statusBar")
{
    const int widths[] = {-1, 100, countsFieldWidth()};
    SetFieldsCount(3, widths);
    m_gauge = new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, wxDefaultSize, wxGA_HORIZONTAL, wxDefaultValidator,
                          L"gauge");
    m_gauge->SetValue(0);
    placeGauge();
}

SimpleStatusBar::~SimpleStatusBar() = default;

std::wstring SimpleStatusBar::countsText(long shown, long total)
{
    return L"Сертификатов отобрано " + std::to_wstring(shown) + L" из " + std::to_wstring(total);
}

int SimpleStatusBar::countsFieldWidth() const
{
    // Digits need not be equally wide: measure five of each.
    int text = 0;
    for (long digit = 1; digit <= 9; ++digit)
        text = std::max(text, GetTextExtent(countsText(digit * 11111, digit * 11111)).x);
    // The field's border and the text's margins on both sides, and the size grip drawn
    // over the end of the last field, as wide as the bar is high.
    return text + 2 * GetBorderX() + FromDIP(8) + GetSize().y;
}

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

void SimpleStatusBar::DoUpdateStatusText(int field)
{
#ifdef __WXGTK__
    // GTK's bar is the generic one, which paints the whole window at once to show the text;
    // right after the filter box's text changed, that paints the box before GTK has given
    // it its new size (and GTK warns). The text shows at the next paint instead.
    wxRect rect;
    if (GetFieldRect(field, rect))
        RefreshRect(rect);
#else
    wxStatusBar::DoUpdateStatusText(field);
#endif
}

} // namespace test
