// certinstall: installs the certificate of a key container into a certificate store.
#include "app/cryptoapp.h"

wxIMPLEMENT_APP(CryptoApp);
