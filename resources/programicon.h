// The program's icon (certinstall.svg) for its windows' title bars and task bar entries.
#pragma once

#include <wx/iconbndl.h>

// The icon in the sizes the program carries (16 to 128 pixels; on Windows those of its icon
// resource); every top-level window the program creates carries it.
wxIconBundle programIcons();
