// Where a new top-level window appears: whole, on the display of the window it was opened
// from, whatever place the window manager would have chosen.
#pragma once

#include <wx/gdicmn.h>

class wxTopLevelWindow;
class wxWindow;

// The working area (without panels and docks) of the display that shows most of `window`;
// the main display's for none.
wxRect workingAreaOf(const wxWindow *window);

// Centres `window` on `opener` (on the main display without one) and moves it, shrunk
// where it is larger, inside the working area of the opener's display.
void placeOnDisplayOf(wxTopLevelWindow &window, const wxWindow *opener);

// Moves `window`, shrunk where it is larger, back inside the working area of the display
// it is on, for a window that has grown since it was placed.
void keepOnDisplay(wxTopLevelWindow &window);
