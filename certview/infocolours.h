// The colours of the fields that show information (the installation window's lists and
// the properties dialog's fields) and of the captions over them.
#pragma once

#include <wx/colour.h>

class wxWindow;

struct InfoColours {
    wxColour background;
    wxColour text;
};

// The theme's info colours (those of its tool tips) where their background is light. Where
// it is dark (GTK's default theme draws tool tips black), Windows' light yellow and black,
// as the users of these fields know them.
InfoColours infoColours(const wxColour &themeBackground, const wxColour &themeText);
// The same for the running theme.
InfoColours infoColours();

// Gives `window` the info colours of the running theme.
void paintAsInfo(wxWindow *window);

// The captions' dark blue where they stand on a light background; on a dark one (a dark
// theme) the same blue lightened, so that they stay readable.
wxColour captionColour(const wxColour &background);
// The same on the running theme's window background.
wxColour captionColour();
