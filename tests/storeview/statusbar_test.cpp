// The editor's status bar: three fields, and a gauge that stays over the middle one.
#include "storeeditor.h"

#include "guitest.h"

namespace {

class StatusBar : public guitest::GuiTest {};

// The gauge's place as the bar should keep it: field 1 less 2 pixels on every side.
wxRect expectedGaugeRect(const test::SimpleStatusBar &bar)
{
    wxRect field;
    bar.GetFieldRect(1, field);
    return field.Deflate(2);
}

TEST_F(StatusBar, HasAFlexibleFieldAGaugeFieldAndACountsField)
{
    auto *editor = new StoreEditor(L"", false);

    const test::SimpleStatusBar *bar = editor->m_statusBar;
    ASSERT_EQ(editor->GetStatusBar(), bar);
    ASSERT_EQ(bar->GetFieldsCount(), 3);
    EXPECT_EQ(bar->GetStatusWidth(0), -1);
    EXPECT_EQ(bar->GetStatusWidth(1), 100);
    // The longest counts text fits beside the size grip, which is as wide as the bar is high.
    EXPECT_GE(bar->GetStatusWidth(2), bar->GetTextExtent(L"Сертификатов отобрано 99999 из 99999").x + bar->GetSize().y);
}

TEST_F(StatusBar, StartsWithAnEmptyGaugeAndNoCounts)
{
    auto *editor = new StoreEditor(L"", false);

    EXPECT_EQ(editor->m_statusBar->gauge()->GetRange(), 100);
    EXPECT_EQ(editor->m_statusBar->gauge()->GetValue(), 0);
    EXPECT_EQ(editor->m_statusBar->GetStatusText(2), wxString());
}

TEST_F(StatusBar, KeepsTheGaugeInsideTheMiddleFieldWhenTheWindowIsResized)
{
    auto *editor = new StoreEditor(L"", false);
    editor->Show();
    guitest::processEvents();
    const test::SimpleStatusBar &bar = *editor->m_statusBar;
    EXPECT_EQ(bar.gauge()->GetRect(), expectedGaugeRect(bar));

    for (const wxSize size : {wxSize(900, 500), wxSize(500, 300)}) {
        const wxRect before = expectedGaugeRect(bar);
        editor->SetSize(size);
        ASSERT_TRUE(guitest::processEventsUntil([&] { return expectedGaugeRect(bar) != before; }))
            << "the field did not move";
        EXPECT_EQ(bar.gauge()->GetRect(), expectedGaugeRect(bar));
    }
}

} // namespace
