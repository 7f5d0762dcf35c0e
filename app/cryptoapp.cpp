#include "app/cryptoapp.h"

#include "app/cryptomaindialog.h"

bool CryptoApp::OnInit()
{
    // The program takes no arguments, so the toolkit's command-line parsing is left out.
    auto *dialog = new CryptoMainDialog(nullptr, wxID_ANY, L"Установка сертификата из ключевого контейнера");
    dialog->Show(true); // runs the start-up handler: labels, first container search, store list
    return true;
}
