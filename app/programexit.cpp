#include "app/programexit.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/toplevel.h>

#include <vector>

void endProgram(int code)
{
    // A copy: destroying a window takes it off the toolkit's list.
    std::vector<wxWindow *> windows;
    for (wxWindowList::compatibility_iterator node = wxTopLevelWindows.GetFirst(); node; node = node->GetNext())
        windows.push_back(node->GetData());
    for (wxWindow *window : windows) {
        if (window->IsBeingDeleted())
            continue;
        // A modal dialog belongs to the code that runs it, which disposes of it once its
        // loop has ended.
        if (auto *dialog = wxDynamicCast(window, wxDialog); dialog && dialog->IsModal())
            dialog->EndModal(wxID_CANCEL);
        else
            window->Destroy();
    }
    // The main loop ends as soon as it regains control, also when it runs a modal loop
    // inside. Without one running (tests drive the windows without it) there is none to end.
    if (wxEventLoopBase *loop = wxTheApp ? wxTheApp->GetMainLoop() : nullptr)
        loop->ScheduleExit(code);
}
