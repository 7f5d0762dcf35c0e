#include "certview/errorbox.h"

#include "crypto/cryptexception.h"

#include <wx/msgdlg.h>

namespace {

const crypto::CryptException *serviceError(const std::exception &error)
{
    return dynamic_cast<const crypto::CryptException *>(&error);
}

} // namespace

std::wstring errorText(const std::exception &error)
{
    if (const crypto::CryptException *crypt = serviceError(error))
        return crypt->message();
    return L"Исключение стандартной библиотеки";
}

void showErrorBox(wxWindow *parent, const std::exception &error, const std::wstring &serviceCaption,
                  const std::wstring &otherCaption, const std::wstring &what)
{
    const std::wstring &caption = serviceError(error) ? serviceCaption : otherCaption;
    wxMessageBox(what + errorText(error), caption, 0, parent, 100, 50);
}
