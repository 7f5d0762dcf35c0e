// Records every modal dialog that the code under test opens and answers it at once.
#pragma once

#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/string.h>

#include <deque>
#include <functional>
#include <vector>

namespace guitest {

// One modal dialog as it was about to be shown.
struct DialogRecord {
    bool messageBox = false; // a wxMessageDialog (what wxMessageBox shows)
    wxString className;      // e.g. "wxMessageDialog", "wxFileDialog", "CertViewDialog"
    wxString message;        // a message box's text, a file dialog's message
    wxString caption;        // a message box's caption, any other dialog's title
    // The dialog's own style. A box made by wxMessageBox with style 0 reads
    // wxOK | wxICON_INFORMATION here, one with wxYES_NO reads wxYES_NO | wxICON_QUESTION.
    long style = 0;
    // The dialog's parent, for comparison only (it may be gone by now). The toolkit
    // replaces a parent that is not shown by none, so show the parent in the test.
    const wxWindow *parent = nullptr;
    int answer = 0; // the id given in place of the user's (wxID_NONE: it really ran)
};

class DialogHook : public wxModalDialogHook {
public:
    // Answers for the next dialogs, in order; an empty queue answers wxID_OK.
    // wxID_NONE lets that dialog really run modally (the test then ends it itself).
    void queueAnswer(int id) { m_answers.push_back(id); }
    // Called with each dialog before it is answered (or shown, for wxID_NONE), e.g. to
    // read the fields of a dialog that would otherwise never be seen.
    void onEnter(std::function<void(wxDialog &)> inspect) { m_inspect = std::move(inspect); }

    const std::vector<DialogRecord> &records() const { return m_records; }
    std::vector<DialogRecord> messageBoxes() const;
    size_t pendingAnswers() const { return m_answers.size(); }

    // Forgets the records, the queued answers and the inspector.
    void reset();

protected:
    int Enter(wxDialog *dialog) override;

private:
    std::vector<DialogRecord> m_records;
    std::deque<int> m_answers;
    std::function<void(wxDialog &)> m_inspect;
};

// The hook of the running test program (registered for the whole run).
DialogHook &dialogs();

} // namespace guitest
