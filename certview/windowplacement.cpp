#include "certview/windowplacement.h"

#include <wx/display.h>
#include <wx/toplevel.h>

#include <algorithm>

wxRect workingAreaOf(const wxWindow *window)
{
    const int index = window ? wxDisplay::GetFromWindow(window) : wxNOT_FOUND;
    return wxDisplay(index == wxNOT_FOUND ? 0u : static_cast<unsigned>(index)).GetClientArea();
}

namespace {

// `window` at `rect`'s place, shrunk to the area and moved into it.
void fitInto(wxTopLevelWindow &window, wxRect rect, const wxRect &area)
{
    rect.width = std::min(rect.width, area.width);
    rect.height = std::min(rect.height, area.height);
    rect.x = std::clamp(rect.x, area.x, area.GetRight() + 1 - rect.width);
    rect.y = std::clamp(rect.y, area.y, area.GetBottom() + 1 - rect.height);
    if (rect.GetSize() != window.GetSize())
        window.SetSize(rect.GetSize());
    window.Move(rect.GetPosition());
}

} // namespace

void placeOnDisplayOf(wxTopLevelWindow &window, const wxWindow *opener)
{
    const wxRect area = workingAreaOf(opener);
    const wxRect around = opener ? opener->GetScreenRect() : area;
    const wxSize size = window.GetSize();
    fitInto(window, wxRect(around.GetPosition() + (around.GetSize() - size) / 2, size), area);
}

void keepOnDisplay(wxTopLevelWindow &window)
{
    const wxRect area = workingAreaOf(&window);
    if (!area.Contains(window.GetScreenRect()))
        fitInto(window, window.GetScreenRect(), area);
}
