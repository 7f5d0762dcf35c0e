// Closing the installation window ends the program, whatever else is open.
#include "mainwindowtest.h"

#include "certview/certviewdialog.h"
#include "storeview/storeviewdialog.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/timer.h>

using namespace apptest;

namespace {

class ProgramEnd : public MainWindowTest {
protected:
    // Runs the program's event loop with `step` as its first work; returns the loop's exit
    // code, or -1 when the loop had to be stopped after a few seconds.
    int runEventLoop(std::function<void()> step)
    {
        bool stoppedByTest = false;
        wxTimer watchdog;
        watchdog.Bind(wxEVT_TIMER, [&](wxTimerEvent &) {
            stoppedByTest = true;
            if (wxEventLoopBase *active = wxEventLoopBase::GetActive())
                active->ScheduleExit(-1);
            if (wxTheApp->GetMainLoop())
                wxTheApp->GetMainLoop()->ScheduleExit(-1);
        });
        watchdog.StartOnce(5000);
        wxTheApp->CallAfter(step);
        const int code = wxTheApp->MainLoop();
        watchdog.Stop();
        return stoppedByTest ? -1 : code;
    }

    size_t openTopLevelWindows() const { return openWindows<wxTopLevelWindow>().size(); }
};

TEST_F(ProgramEnd, ClosingTheWindowWithAnEditorOpenEndsTheProgram)
{
    makeLocalContainer(L"Ключ", L"Сидоров Сидор");
    MainWindow *window = openWindow();
    click(window->viewStoreButton());
    ASSERT_EQ(openWindows<test::StoreViewDialog>().size(), 1u);

    const int code = runEventLoop([window] { window->Close(); });

    EXPECT_EQ(code, 0);
    guitest::processEvents();
    EXPECT_EQ(openTopLevelWindows(), 0u);
}

TEST_F(ProgramEnd, ClosingTheWindowWithAPropertiesDialogOpenEndsTheProgram)
{
    makeLocalContainer(L"Ключ", L"Сидоров Сидор");
    MainWindow *window = openWindow();
    pick(window->containerCombo(), L"Ключ");
    click(window->viewCertificateButton());
    click(window->viewStoreButton());
    ASSERT_EQ(openWindows<CertViewDialog>().size(), 1u);

    const int code = runEventLoop([window] { window->Close(); });

    EXPECT_EQ(code, 0);
    guitest::processEvents();
    EXPECT_EQ(openTopLevelWindows(), 0u);
}

TEST_F(ProgramEnd, ClosingTheWindowWhileAModalDialogRunsEndsTheProgram)
{
    makeLocalContainer(L"Ключ", L"Сидоров Сидор");
    MainWindow *window = openWindow();
    setTick(window->chooseStoreCheck(), true);
    // The store file dialog really runs; the window is closed while it does.
    guitest::dialogs().queueAnswer(wxID_NONE);
    guitest::dialogs().onEnter([window](wxDialog &) { window->CallAfter([window] { window->Close(); }); });

    const int code = runEventLoop([window] { pick(window->storeCombo(), L"Из файла..."); });

    EXPECT_EQ(code, 0);
    guitest::processEvents();
    EXPECT_EQ(openTopLevelWindows(), 0u);
}

} // namespace
