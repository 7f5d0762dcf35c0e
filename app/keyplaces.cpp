#include "app/keyplaces.h"

#ifndef _WIN32
#include <wx/strconv.h>
#include <wx/tokenzr.h>

#include <cstdlib>

namespace {

wxString environment(const char *name)
{
    const char *value = std::getenv(name);
    return value ? wxString(value, *wxConvFileName) : wxString();
}

// The folder that holds the user's stores and keys, as the platform layer takes it.
wxString dataFolder()
{
    if (const wxString own = environment("CERTINSTALL_HOME"); !own.empty())
        return own;
    if (const wxString data = environment("XDG_DATA_HOME"); !data.empty())
        return data + L"/certinstall";
    const wxString home = environment("HOME");
    return (home.empty() ? wxString(L".") : home) + L"/.local/share/certinstall";
}

// The folders that media are mounted in, separated by commas; empty when none is searched.
wxString mediaFolders()
{
    wxArrayString folders;
    if (std::getenv("CERTINSTALL_MEDIA")) {
        folders = wxStringTokenize(environment("CERTINSTALL_MEDIA"), L":", wxTOKEN_STRTOK);
    } else {
        if (const wxString user = environment("USER"); !user.empty()) {
            folders.Add(L"/media/" + user);
            folders.Add(L"/run/media/" + user);
        }
        folders.Add(L"/media");
    }
    wxString listed;
    for (const wxString &folder : folders)
        listed += (listed.empty() ? L"" : L", ") + folder;
    return listed;
}

} // namespace

wxString keyPlacesHint()
{
    wxString hint = L"\n\nКонтейнеры ищутся в папке " + dataFolder() + L"/keys";
    if (const wxString media = mediaFolders(); !media.empty())
        hint += L"\nи в папке certinstall-keys носителя в " + media;
    hint += L",\nа также на токенах и смарт-картах PKCS #11";
    return hint + L".\nСоздать контейнер можно программой keymedium (man keymedium).";
}

#else

wxString keyPlacesHint() { return wxString(); }

#endif
