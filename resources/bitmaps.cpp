#include "resources/bitmaps.h"

#include <wx/image.h>
#include <wx/mstream.h>

#include <cstddef>

#ifndef __WXMSW__
#include "resources/embeddedbitmaps.h"
#endif

namespace {

// The colour the pictures are drawn on; Windows tool bars show it as the button face.
const wxColour kBackground(192, 192, 192);

wxBitmap readBitmap(const wxString &name)
{
#ifdef __WXMSW__
    wxBitmap bitmap;
    bitmap.LoadFile(name, wxBITMAP_TYPE_BMP_RESOURCE);
    return bitmap;
#else
    for (const EmbeddedBitmap &entry : embeddedBitmaps()) {
        if (name != entry.name)
            continue;
        wxMemoryInputStream stream(entry.data, entry.size);
        wxImage image(stream, wxBITMAP_TYPE_BMP);
        return image.IsOk() ? wxBitmap(image) : wxNullBitmap;
    }
    return wxNullBitmap;
#endif
}

} // namespace

wxBitmap loadBitmap(const wxString &name)
{
    wxBitmap bitmap = readBitmap(name);
    if (bitmap.IsOk())
        bitmap.SetMask(new wxMask(bitmap, kBackground));
    return bitmap;
}
