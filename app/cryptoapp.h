// The application object: shows the installation window, whose closing ends the program.
#pragma once

#include <wx/app.h>

class CryptoApp : public wxApp {
public:
    bool OnInit() override;
};

// Sets the program up for the user's locale (LC_ALL, LC_MESSAGES, LANG): the toolkit's own
// texts (stock buttons, message boxes, the progress and file dialogs, GTK's own) speak the
// user's language; where there are no translations for it they stay English.
void useUserLocale();
