// The editor page for a large store: filling its list in the window, against computing the
// same five texts for every certificate without any window; one filter keystroke; and the
// editor opened on a very large store file, with the memory it takes; Импорт of 10,000
// certificates into an empty store file and Удалить of all of them, against opening and
// enumerating a store file of as many.
//   bench_editor STORE.sst                          figures 3 and 3b
//   bench_editor --open STORE.sst                   figure 3c
//   bench_editor --commands STORE.sst BUNDLE.pem    figures 3d and 3e
// (needs a display: run under xvfb-run)
#include "storeview/storeviewdialog.h"

#include "crypto/certformat.h"
#include "timing.h"

#include <shlwapi.h>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/modalhook.h>

#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

using bench::median;
using bench::seconds;

constexpr wchar_t kKeystroke[] = L"7";

// The editor with its list filling and filtering reachable from here.
class Editor : public test::StoreViewDialog {
public:
    explicit Editor(const std::wstring &path) : StoreViewDialog(path, true) {}

    void refill() { fillList(*currentPageData()); }
    void type(const wchar_t *text)
    {
        m_searchCtrl->ChangeValue(text);
        wxCommandEvent event(wxEVT_TEXT);
        OnFilterText(event);
    }
    const wxListCtrl &list() const { return *currentPageData()->list; }
    crypto::CryptoStore &store() const { return *currentPageData()->store; }
    void import(const std::wstring &path) { importFiles(*currentPageData(), {path}); }
    void deleteAll()
    {
        currentPageData()->list->selectAll();
        deleteSelected(*currentPageData());
    }
};

// Answers every box as a user who agrees would, so that the commands run through.
class Agreeing : public wxModalDialogHook {
protected:
    int Enter(wxDialog *) override { return wxID_YES; }
    void Exit(wxDialog *) override {}
};

// What the list shows for a name: its common name, else its organisation.
std::wstring shownName(const std::wstring &x500Name)
{
    const std::wstring cn = crypto::extractField(x500Name, L"CN=", L',');
    return cn.empty() ? crypto::extractField(x500Name, L"O=", L',') : cn;
}

// The five texts of every row, as the list shows them, without a window.
size_t textsOnly(const crypto::CryptoStore &store)
{
    size_t characters = 0;
    for (const crypto::CryptoCertificate &c : store.enumerate())
        characters += shownName(c.subjectName(CERT_X500_NAME_STR)).size() +
                      shownName(c.issuerName(CERT_X500_NAME_STR)).size() + c.notAfter().size() + c.sha1Hash().size() +
                      c.keyContainerInfo().size();
    return characters;
}

// Whether the list shows exactly the certificates whose name holds `text`.
bool showsTheMatches(const Editor &editor, const wchar_t *text)
{
    long expected = 0;
    for (const crypto::CryptoCertificate &c : editor.store().enumerate())
        expected += StrStrIW(shownName(c.subjectName(CERT_X500_NAME_STR)).c_str(), text) != nullptr;
    const wxListCtrl &list = editor.list();
    if (list.GetItemCount() != expected)
        return false;
    for (long row = 0; row < list.GetItemCount(); ++row)
        if (!StrStrIW(list.GetItemText(row, 0).wc_str(), text))
            return false;
    return true;
}

double megabytesPeak()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

// 100000 as 100,000.
std::string grouped(long number)
{
    std::string digits = std::to_string(number);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<size_t>(at), ",");
    return digits;
}

std::wstring wide(const char *path)
{
    return wxString::FromUTF8(path).ToStdWstring();
}

// Figures 3 and 3b on a store file of 10,000 certificates.
int fillAndFilter(const char *path)
{
    auto *editor = new Editor(wide(path));
    editor->Show();
    wxTheApp->ProcessPendingEvents();

    std::vector<double> window, texts;
    size_t characters = 0;
    for (int round = 0; round < 5; ++round) {
        window.push_back(seconds([&] { editor->refill(); }));
        texts.push_back(seconds([&] { characters += textsOnly(editor->store()); }));
    }
    std::vector<double> keystrokes;
    for (int round = 0; round < 5; ++round) {
        editor->refill();
        keystrokes.push_back(seconds([&] { editor->type(kKeystroke); }));
    }
    const long filtered = editor->list().GetItemCount();
    const bool right = showsTheMatches(*editor, kKeystroke);
    editor->Destroy();
    wxTheApp->ProcessPendingEvents();

    const double fill = median(window), plain = median(texts), ratio = fill / plain;
    std::printf("| 3. Editor page of 10,000 certificates: fillList in the window | %.0f ms | the same five texts "
                "without a window %.0f ms | %.2f× | at most 1.5× | %s |\n",
                fill * 1000, plain * 1000, ratio, ratio <= 1.5 ? "met" : "missed");
    const double keystroke = median(keystrokes);
    std::printf("| 3b. One filter keystroke (\"7\") on the full list | %.1f ms (%ld rows left%s) | — | — | under 20 ms | "
                "%s |\n",
                keystroke * 1000, filtered, right ? "" : ", not the matching ones",
                right && keystroke < 0.020 ? "met" : "missed");
    return characters ? 0 : 1;
}

// Figure 3c: the editor opened on a store file of 100,000 certificates, shown and drawn.
int openLarge(const char *path)
{
    const double before = megabytesPeak();
    std::vector<double> opens;
    long rows = 0;
    for (int round = 0; round < 3; ++round) {
        Editor *editor = nullptr;
        opens.push_back(seconds([&] {
            editor = new Editor(wide(path));
            editor->Show();
            editor->Update();
        }));
        rows = editor->list().GetItemCount();
        editor->Destroy();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle(); // deletes the window, and with it its store, before the next round
    }
    std::printf("| 3c. Editor opened on a store file of %s certificates, its page filled and drawn | %.0f ms, peak "
                "memory %.0f MB (%.0f MB before opening) | — | — | report | reported |\n",
                grouped(rows).c_str(), median(opens) * 1000, megabytesPeak(), before);
    return rows ? 0 : 1;
}

// Figures 3d and 3e: the editor's Импорт of a PEM file of 10,000 certificates into an
// empty store file, and Удалить of every one, each written once; against opening and
// enumerating a store file of as many.
int commands(const char *storePath, const char *bundlePath)
{
    Agreeing hook;
    hook.Register();
    const std::string target = std::string(storePath) + ".commands.sst";
    std::vector<double> imports, deletions, opens;
    long imported = 0, left = -1;
    for (int round = 0; round < 3; ++round) {
        std::remove(target.c_str());
        opens.push_back(seconds([&] { crypto::SerializedStore(wide(storePath)).enumerate(); }));
        auto *editor = new Editor(wide(target.c_str()));
        editor->Show();
        wxTheApp->ProcessPendingEvents();
        imports.push_back(seconds([&] { editor->import(wide(bundlePath)); }));
        imported = static_cast<long>(crypto::SerializedStore(wide(target.c_str())).enumerate().size());
        deletions.push_back(seconds([&] { editor->deleteAll(); }));
        left = static_cast<long>(crypto::SerializedStore(wide(target.c_str())).enumerate().size());
        editor->Destroy();
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
    }
    std::remove(target.c_str());
    hook.Unregister();
    const double open = median(opens), import = median(imports), deletion = median(deletions);
    std::printf("| 3d. Импорт of a PEM file of %s certificates into an empty store file page, written and listed | "
                "%.0f ms | opening and enumerating a store file of as many %.0f ms | %.2f× | at most 3× | %s |\n",
                grouped(imported).c_str(), import * 1000, open * 1000, import / open,
                import <= 3 * open && imported == 10000 ? "met" : "missed");
    std::printf("| 3e. Удалить of those %s certificates, written and listed | %.0f ms | the same open and "
                "enumerate %.0f ms | %.2f× | at most 3× | %s |\n",
                grouped(imported).c_str(), deletion * 1000, open * 1000, deletion / open,
                deletion <= 3 * open && left == 0 ? "met" : "missed");
    return imported == 10000 && left == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    const bool open = argc == 3 && std::strcmp(argv[1], "--open") == 0;
    const bool command = argc == 4 && std::strcmp(argv[1], "--commands") == 0;
    if (argc != 2 && !open && !command) {
        std::fprintf(stderr, "usage: %s [--open] STORE.sst | --commands STORE.sst BUNDLE.pem\n", argv[0]);
        return 2;
    }
    wxApp::SetInstance(new wxApp);
    int wxArgc = 1;
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }
    const int status = open ? openLarge(argv[2]) : command ? commands(argv[2], argv[3]) : fillAndFilter(argv[1]);
    wxEntryCleanup();
    return status;
}
