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

wxColour captionColour(const wxColour &background)
{
    const wxColour blue(0, 64, 128);
    return background.GetLuminance() < 0.5 ? blue.ChangeLightness(160) : blue;
}

wxColour captionColour()
{
    return captionColour(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE));
}
