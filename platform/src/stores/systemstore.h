// The current user's system stores: one serialized store file each under
// $CERTINSTALL_HOME/stores (default ${XDG_DATA_HOME:-$HOME/.local/share}/certinstall).
#pragma once

#include "stores/store.h"

namespace platform {

Store *openSystemStore(LPCWSTR name, DWORD flags); // sets the last error on failure
Store *openFileStore(const std::string &path, DWORD flags);

} // namespace platform
