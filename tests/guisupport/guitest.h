// The harness of the GUI tests.
//
// Link a test executable with `guitestsupport` (it brings its own main; do not link
// GTest::gtest_main) and run it under Xvfb (`xvfb-run -a`). Before the first test the
// harness starts a wxApp with wxEntryStart, without a main loop; HOME and the XDG folders
// point at a temporary folder for the whole run. Derive test fixtures from
// guitest::GuiTest: each test gets an empty $CERTINSTALL_HOME of its own, and afterwards
// every top-level window still open is destroyed.
//
// Modal dialogs never wait for a user: guitest::dialogs() records each one (message
// boxes with text, caption, style and parent) and answers it with the next queued answer
// (queueAnswer(wxID_YES) ...), wxID_OK when none is queued. A wxFileDialog answered this
// way returns no path, so code that asks for a file reads the answer through a virtual
// seam (e.g. a chooseFile method) that the test overrides. A failed wxASSERT fails the
// running test instead of opening a dialog, and so does a critical or a warning that GTK,
// GDK or GLib logs (a widget given less than its minimum size, a failed cast).
//
// Handlers are driven by sending events (wxCommandEvent with the control's id to the
// window's event handler) or by wxUIActionSimulator; processEvents() then runs what the
// toolkit queued: pending events, idle time (delayed Destroy) and native events.
#pragma once

#include "dialoghook.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace guitest {

class GuiTest : public ::testing::Test {
protected:
    GuiTest();
    ~GuiTest() override;
    void SetUp() override;
    void TearDown() override;

    // The test's own $CERTINSTALL_HOME (system stores live in its "stores" folder).
    const testsupport::TempDir &home() const { return *m_home; }

private:
    std::unique_ptr<testsupport::TempDir> m_home;
};

// Runs what the toolkit has queued, so that delayed work (Destroy, CallAfter, sizes)
// has happened when it returns.
void processEvents();

// Runs what the toolkit queues until `condition` holds (true) or `milliseconds` have
// passed (false): for what the display server answers later, such as a new window size.
bool processEventsUntil(const std::function<bool()> &condition, int milliseconds = 2000);

} // namespace guitest
