// How the windows tell the user of an error that ended an operation: one text for any
// exception, one box, the captions chosen by the handler that started the operation.
#pragma once

#include <exception>
#include <string>

class wxWindow;

// The services' own text for their errors; the standard text for any other exception.
std::wstring errorText(const std::exception &error);

// A box owned by `parent` at (100, 50) without style flags: the error's text, after `what`
// (what failed and where, ending in its own line breaks) when given. A services' error is
// captioned `serviceCaption`, any other exception `otherCaption`.
void showErrorBox(wxWindow *parent, const std::exception &error, const std::wstring &serviceCaption,
                  const std::wstring &otherCaption, const std::wstring &what = std::wstring());
