#include "guitest.h"

#include "tempdir.h"

#include <wx/app.h>
#include <wx/toplevel.h>
#include <wx/time.h>
#include <wx/utils.h>

#include <cstdlib>

namespace guitest {

GuiTest::GuiTest() = default;
GuiTest::~GuiTest() = default;

void GuiTest::SetUp()
{
    m_home = std::make_unique<testsupport::TempDir>();
    ::setenv("CERTINSTALL_HOME", m_home->path().string().c_str(), 1);
    ::setenv("CERTINSTALL_PKCS11", "", 1); // never the machine's tokens
    dialogs().reset();
}

void GuiTest::TearDown()
{
    // Copy first: Destroy may take a window off the list at once.
    std::vector<wxWindow *> open(wxTopLevelWindows.begin(), wxTopLevelWindows.end());
    for (wxWindow *window : open)
        window->Destroy();
    processEvents();
    dialogs().reset();
}

void processEvents()
{
    // A few rounds: idle handlers and deletions may queue more work.
    for (int round = 0; round < 3; ++round) {
        wxTheApp->ProcessPendingEvents();
        wxYield();
        wxTheApp->ProcessIdle();
    }
}

bool processEventsUntil(const std::function<bool()> &condition, int milliseconds)
{
    const wxLongLong end = wxGetLocalTimeMillis() + milliseconds;
    for (;;) {
        processEvents();
        if (condition())
            return true;
        if (wxGetLocalTimeMillis() >= end)
            return false;
        wxMilliSleep(10);
    }
}

} // namespace guitest
