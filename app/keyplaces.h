// Where the GOST provider looks for key containers, told to a user who has none yet.
#pragma once

#include <wx/string.h>

// Two short paragraphs, starting with an empty line: the local key folder and the media
// folders that are searched (as CERTINSTALL_HOME and CERTINSTALL_MEDIA set them now), the
// PKCS #11 tokens, and the tool that makes a container. Empty on Windows, whose providers
// find their own media.
wxString keyPlacesHint();
