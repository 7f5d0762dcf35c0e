// The program's bitmaps, found by their resource names (resource.h).
#pragma once

#include <wx/bitmap.h>
#include <wx/string.h>

// The bitmap of that name with its light grey background (192, 192, 192) masked out;
// an invalid bitmap (wxNullBitmap) for a name the program does not carry.
wxBitmap loadBitmap(const wxString &name);
