#include "certview/infocolours.h"

#include <wx/settings.h>
#include <wx/window.h>

InfoColours infoColours(const wxColour &themeBackground, const wxColour &themeText)
{
    if (themeBackground.GetLuminance() < 0.5)
        return {wxColour(0xFF, 0xFF, 0xE1), *wxBLACK};
    return {themeBackground, themeText};
}

InfoColours infoColours()
{
    return infoColours(wxSystemSettings::GetColour(wxSYS_COLOUR_INFOBK),
                       wxSystemSettings::GetColour(wxSYS_COLOUR_INFOTEXT));
}

void paintAsInfo(wxWindow *window)
{
    const InfoColours colours = infoColours();
    window->SetBackgroundColour(colours.background);
    window->SetForegroundColour(colours.text);
}
