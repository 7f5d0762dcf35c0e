#include "resources/programicon.h"

#ifdef __WXMSW__

wxIconBundle programIcons()
{
    // The icon resource of certinstall.rc, from the program's own module.
    return wxIconBundle(L"AAA_CERTINSTALL", nullptr);
}

#else

#include "resources/embeddedbitmaps.h"

#include <wx/image.h>
#include <wx/mstream.h>

wxIconBundle programIcons()
{
    // The toolkit reads PNG only once its handler is registered.
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
        wxImage::AddHandler(new wxPNGHandler);
    wxIconBundle icons;
    for (const EmbeddedBitmap &entry : embeddedIcons()) {
        wxMemoryInputStream stream(entry.data, entry.size);
        const wxImage image(stream, wxBITMAP_TYPE_PNG);
        if (image.IsOk()) {
            wxIcon icon;
            icon.CopyFromBitmap(wxBitmap(image));
            icons.AddIcon(icon);
        }
    }
    return icons;
}

#endif
