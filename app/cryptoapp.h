// The application object: shows the installation window, whose closing ends the program.
#pragma once

#include <wx/app.h>

class CryptoApp : public wxApp {
public:
    bool OnInit() override;
};
