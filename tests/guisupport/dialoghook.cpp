#include "dialoghook.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>

namespace guitest {

std::vector<DialogRecord> DialogHook::messageBoxes() const
{
    std::vector<DialogRecord> boxes;
    for (const DialogRecord &record : m_records)
        if (record.messageBox)
            boxes.push_back(record);
    return boxes;
}

void DialogHook::reset()
{
    m_records.clear();
    m_answers.clear();
    m_inspect = nullptr;
}

int DialogHook::Enter(wxDialog *dialog)
{
    DialogRecord record;
    record.className = dialog->GetClassInfo()->GetClassName();
    record.parent = dialog->GetParent();
    record.caption = dialog->GetTitle();
    record.style = dialog->GetWindowStyle();
    if (auto *box = dynamic_cast<wxMessageDialogBase *>(dialog)) {
        record.messageBox = true;
        record.message = box->GetMessage();
        record.caption = box->GetCaption();
        record.style = box->GetMessageDialogStyle();
    } else if (auto *file = dynamic_cast<wxFileDialogBase *>(dialog)) {
        record.message = file->GetMessage();
    }
    if (m_inspect)
        m_inspect(*dialog);

    int answer = wxID_OK;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    record.answer = answer;
    m_records.push_back(record);
    return answer;
}

} // namespace guitest
