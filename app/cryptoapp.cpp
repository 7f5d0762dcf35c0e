#include "app/cryptoapp.h"

#include "app/cryptomaindialog.h"

#include <wx/translation.h>
#include <wx/uilocale.h>

bool CryptoApp::OnInit()
{
    // The program takes no arguments, so the toolkit's command-line parsing is left out.
    useUserLocale();
    auto *dialog = new CryptoMainDialog(nullptr, wxID_ANY, L"Установка сертификата из ключевого контейнера");
    dialog->Show(true); // runs the start-up handler: labels, first container search, store list
    return true;
}

void useUserLocale()
{
    // setlocale(LC_ALL, ""): GTK translates its own texts (the file chooser's) by the
    // process locale, which stays "C" until a program asks for the user's.
    wxUILocale::UseDefault();
    // The toolkit's catalogs in the user's language; the toolkit owns the object from here.
    auto *translations = new wxTranslations;
    wxTranslations::Set(translations);
    translations->AddStdCatalog();
}
