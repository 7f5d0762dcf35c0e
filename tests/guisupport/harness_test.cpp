// The harness answers message boxes in place of a user and turns asserts and toolkit
// warnings into failures.
#include "guitest.h"

#include <gtest/gtest-spi.h>

#include <glib.h>

#include <wx/frame.h>
#include <wx/msgdlg.h>

#include <cstdlib>
#include <filesystem>

namespace {

class Harness : public guitest::GuiTest {};

TEST_F(Harness, RecordsAMessageBoxWithItsTextCaptionStyleAndParent)
{
    auto *frame = new wxFrame(nullptr, wxID_ANY, L"Окно");
    frame->Show();
    wxMessageBox(L"Текст сообщения", L"Заголовок", 0, frame, 100, 50);

    const auto boxes = guitest::dialogs().messageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].message, wxString(L"Текст сообщения"));
    EXPECT_EQ(boxes[0].caption, wxString(L"Заголовок"));
    EXPECT_EQ(boxes[0].style, wxOK | wxICON_INFORMATION);
    EXPECT_EQ(boxes[0].parent, frame);
}

TEST_F(Harness, AnswersQuestionsInTheQueuedOrderThenWithOk)
{
    guitest::dialogs().queueAnswer(wxID_YES);
    guitest::dialogs().queueAnswer(wxID_NO);

    const int first = wxMessageBox(L"Первый?", L"Вопрос", wxYES_NO, nullptr, 100, 50);
    const int second = wxMessageBox(L"Второй?", L"Вопрос", wxYES_NO, nullptr, 100, 50);
    const int third = wxMessageBox(L"Третий", L"Сообщение", 0, nullptr, 100, 50);

    EXPECT_EQ(first, wxYES);
    EXPECT_EQ(second, wxNO);
    EXPECT_EQ(third, wxOK);
    EXPECT_EQ(guitest::dialogs().messageBoxes().at(0).style, wxYES_NO | wxICON_QUESTION);
}

TEST_F(Harness, TurnsFailedAssertsAndToolkitCriticalsIntoTestFailures)
{
    EXPECT_NONFATAL_FAILURE(wxFAIL_MSG("deliberate"), "deliberate");
    EXPECT_NONFATAL_FAILURE(g_log("Gtk", G_LOG_LEVEL_CRITICAL, "deliberate"), "Gtk-CRITICAL: deliberate");
}

TEST_F(Harness, GivesEachTestAnEmptyHomeOfItsOwn)
{
    const char *value = std::getenv("CERTINSTALL_HOME");
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(std::filesystem::path(value), home().path());
    EXPECT_TRUE(std::filesystem::is_empty(home().path()));
}

} // namespace
