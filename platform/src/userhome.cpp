#include "userhome.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace platform {

std::string userHome()
{
    if (const char *own = std::getenv("CERTINSTALL_HOME"); own && *own)
        return own;
    if (const char *data = std::getenv("XDG_DATA_HOME"); data && *data)
        return std::string(data) + "/certinstall";
    const char *user = std::getenv("HOME");
    return std::string(user && *user ? user : ".") + "/.local/share/certinstall";
}

std::string userName()
{
    if (const char *user = std::getenv("USER"); user && *user)
        return user;
    if (const passwd *entry = ::getpwuid(::getuid()))
        return entry->pw_name;
    return {};
}

} // namespace platform
