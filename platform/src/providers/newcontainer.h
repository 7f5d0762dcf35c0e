// New key containers written into a key folder, in the layout keycontainers.h reads.
#pragma once

#include "certificates/certobject.h"

#include <string>

namespace platform {

struct NewContainer {
    std::wstring name;
    DWORD keySpec = AT_KEYEXCHANGE;
    Bytes certificate;         // DER; none when empty
    std::string privateKeyPem; // as it is to be kept (this layer writes only encrypted keys)
    std::string folderStem = "imported"; // the folder's own name, which no reader goes by
};

// `wanted` when no container of the key folder has that name, else the first free of
// "wanted (2)", "wanted (3)", …; cut so that the name and its suffix are a container name.
std::wstring unusedContainerName(const std::string &keyFolder, const std::wstring &wanted);

// Writes the container into the key folder, made when missing. It appears whole or not at
// all: filled in a hidden folder that listings skip, then renamed. Returns its folder, or
// an empty string with the last error set.
std::string writeNewContainer(const std::string &keyFolder, const NewContainer &container);

} // namespace platform
