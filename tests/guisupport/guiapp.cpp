// The wxApp of a GUI test program, and its main.
#include "dialoghook.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#ifdef __WXGTK__
#include <glib.h>
#endif

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/toplevel.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

namespace {

#ifdef __WXGTK__
std::string logField(const GLogField *fields, gsize count, const char *key)
{
    for (gsize i = 0; i < count; ++i)
        if (std::strcmp(fields[i].key, key) == 0 && fields[i].value)
            return fields[i].length < 0 ? static_cast<const char *>(fields[i].value)
                                        : std::string(static_cast<const char *>(fields[i].value), fields[i].length);
    return {};
}

// GTK and GLib report misuse (a widget given a negative size, a failed cast) as a critical
// or a warning on stderr and carry on: a GUI test fails on each instead.
GLogWriterOutput failOnToolkitWarning(GLogLevelFlags level, const GLogField *fields, gsize count, gpointer data)
{
    if (level & (G_LOG_LEVEL_CRITICAL | G_LOG_LEVEL_WARNING)) {
        const std::string domain = logField(fields, count, "GLIB_DOMAIN");
        if (domain == "Gtk" || domain == "Gdk" || domain == "GLib-GObject" || domain == "GLib")
            ADD_FAILURE() << domain << ((level & G_LOG_LEVEL_CRITICAL) ? "-CRITICAL: " : "-WARNING: ")
                          << logField(fields, count, "MESSAGE");
    }
    return g_log_writer_default(level, fields, count, data);
}
#endif

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; } // no command line of its own to parse

    void OnAssertFailure(const wxChar *file, int line, const wxChar *func, const wxChar *cond,
                         const wxChar *msg) override
    {
        ADD_FAILURE_AT(wxString(file).utf8_str().data(), line)
            << "wxWidgets assertion failed in " << wxString(func).utf8_string() << ": "
            << wxString(cond).utf8_string() << (msg ? " — " + wxString(msg).utf8_string() : std::string());
    }
};

// Starts the toolkit once for the whole run; tests create their windows themselves.
class ToolkitEnvironment : public ::testing::Environment {
public:
    explicit ToolkitEnvironment(char *program) : m_argv{program, nullptr} {}

    void SetUp() override
    {
        // A display that is restarting refuses a client for a moment: try a few times. A
        // toolkit that never starts ends the run as failed, since a failure here would only
        // mark the tests as skipped.
        bool started = false;
        for (int attempt = 0; attempt < 10 && !started; ++attempt) {
            if (attempt)
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            wxApp::SetInstance(new TestApp);
            int argc = 1;
            started = wxEntryStart(argc, m_argv);
        }
        if (!started) {
            std::fprintf(stderr, "the toolkit did not start: is there a display (xvfb-run -a)?\n");
            std::_Exit(2);
        }
        ASSERT_TRUE(wxTheApp->CallOnInit());
        // Log messages go to stderr rather than into a dialog shown later.
        delete wxLog::SetActiveTarget(new wxLogStderr);
        guitest::dialogs().Register();
        m_started = true;
    }

    void TearDown() override
    {
        if (!m_started)
            return;
        guitest::dialogs().Unregister();
        wxEntryCleanup();
    }

private:
    char *m_argv[2];
    bool m_started = false;
};

} // namespace

namespace guitest {

DialogHook &dialogs()
{
    static DialogHook hook;
    return hook;
}

} // namespace guitest

int main(int argc, char **argv)
{
#ifdef __WXGTK__
    // Before anything logs: a program may set its writer only once, and only first.
    g_log_set_writer_func(failOnToolkitWarning, nullptr, nullptr);
#endif
    ::testing::InitGoogleTest(&argc, argv);

    // No real user data: the toolkit's settings and caches, and the stores, go to a
    // folder of this run. Set before the toolkit starts, which reads them once.
    testsupport::TempDir home;
    const std::string path = home.path().string();
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR",
                             "CERTINSTALL_HOME"})
        ::setenv(name, path.c_str(), 1);
    ::setenv("NO_AT_BRIDGE", "1", 1); // no accessibility bus under Xvfb

    ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment(argv[0]));
    return RUN_ALL_TESTS();
}
