// The user of the platform layer: the folder under which it keeps the user's data (system
// stores, key containers, the provider configuration) and the login name.
#pragma once

#include <string>

namespace platform {

// $CERTINSTALL_HOME, else ${XDG_DATA_HOME:-$HOME/.local/share}/certinstall. Read at each
// call, so that a changed environment takes effect at once.
std::string userHome();

// $USER, else the name of the process's user; empty when neither is known.
std::string userName();

} // namespace platform
