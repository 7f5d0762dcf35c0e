// A page's certificate list: its columns and what each cell shows, sorting by a column,
// the counts and the gauge after a fill, and the filter box narrowing the current list.
#include "storeeditor.h"
#include "storefixtures.h"

#include "crypto/storecatalog.h"

namespace {

using storetest::Bytes;
using storetest::column;
using Column = test::StoreViewDialog::Column;

class CertificateList : public storetest::EditorTest {};
class CertificateFilter : public storetest::EditorTest {};

const wchar_t kGostProvider[] = L"Crypto-Pro GOST R 34.10-2001 Cryptographic Service Provider";

// A click on a column's heading, as the list's header reports it.
void clickHeading(wxListCtrl &list, int column)
{
    wxListEvent click(wxEVT_LIST_COL_CLICK, list.GetId());
    click.SetEventObject(&list);
    click.m_col = column;
    list.GetEventHandler()->ProcessEvent(click);
}

// --- Columns and cells -----------------------------------------------------------------

TEST_F(CertificateList, HeadsItsFiveColumnsInOrderWideEnoughForTheirHeadings)
{
    auto *editor = new StoreEditor(L"My", false);
    const wxListCtrl &list = editor->currentList();

    const std::vector<std::pair<std::wstring, int>> expected = {
        {L"Кому выдан", 350}, {L"Кем выдан", 150}, {L"Дата окончания", 100}, {L"Хэш", 100}, {L"Закрытый ключ", 200}};
    ASSERT_EQ(list.GetColumnCount(), 5);
    for (int i = 0; i < 5; ++i) {
        wxListItem heading;
        heading.SetMask(wxLIST_MASK_TEXT | wxLIST_MASK_FORMAT);
        ASSERT_TRUE(list.GetColumn(i, heading));
        EXPECT_EQ(heading.GetText().ToStdWstring(), expected[i].first) << i;
        EXPECT_EQ(heading.GetAlign(), wxLIST_FORMAT_LEFT) << i;
        // The widths given, or wider where the toolkit's font would cut the heading.
        EXPECT_GE(list.GetColumnWidth(i), expected[i].second) << i;
        EXPECT_GT(list.GetColumnWidth(i), list.GetTextExtent(heading.GetText()).x) << i;
    }
}

TEST_F(CertificateList, ShowsTheCommonNameOfSubjectAndIssuer)
{
    fillSystemStore(L"My", {storetest::certificate("Иванов Иван", "Ромашка")});

    auto *editor = new StoreEditor(L"My", false);

    ASSERT_EQ(editor->currentList().GetItemCount(), 1);
    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_SUBJECT), std::vector<std::wstring>{L"Иванов Иван"});
    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_ISSUER), std::vector<std::wstring>{L"Иванов Иван"});
}

TEST_F(CertificateList, ShowsTheOrganisationWhenTheNameHasNoCommonName)
{
    fillSystemStore(L"My", {storetest::certificate("", "Ромашка")});

    auto *editor = new StoreEditor(L"My", false);

    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_SUBJECT), std::vector<std::wstring>{L"Ромашка"});
    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_ISSUER), std::vector<std::wstring>{L"Ромашка"});
}

TEST_F(CertificateList, LeavesTheNameCellsEmptyWithoutCommonNameOrOrganisation)
{
    fillSystemStore(L"My", {storetest::certificate("", "")});

    auto *editor = new StoreEditor(L"My", false);

    ASSERT_EQ(editor->currentList().GetItemCount(), 1);
    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_SUBJECT), std::vector<std::wstring>{L""});
    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_ISSUER), std::vector<std::wstring>{L""});
}

TEST_F(CertificateList, ShowsANameHoldingACommaWhole)
{
    fillSystemStore(L"My", {storetest::certificate("Рога и копыта, ООО")});

    auto *editor = new StoreEditor(L"My", false);

    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_SUBJECT),
              std::vector<std::wstring>{L"Рога и копыта, ООО"});
}

TEST_F(CertificateList, ShowsTheSha1HashAsFortyUpperCaseDigits)
{
    const Bytes der = storetest::certificate("Хэш");
    fillSystemStore(L"My", {der});

    auto *editor = new StoreEditor(L"My", false);

    const std::wstring hash = editor->currentList().GetItemText(0, Column::COLUMN_HASH).ToStdWstring();
    EXPECT_EQ(hash, storetest::hashText(der));
    EXPECT_EQ(hash.size(), 40u);
}

TEST_F(CertificateList, ShowsTheLinkedKeyContainerAndItsProviderOrNothing)
{
    const std::wstring path = storeFile("keys.sst");
    {
        const auto store = crypto::openStore(path, true);
        storetest::add(*store, storetest::certificate("С ключом"), L"\\\\.\\FLASH\\ivanov-2024", kGostProvider);
        storetest::add(*store, storetest::certificate("Без ключа"));
    }

    auto *editor = new StoreEditor(path, true);

    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_KEY),
              (std::vector<std::wstring>{std::wstring(L"\\\\.\\FLASH\\ivanov-2024 - ") + kGostProvider, L""}));
}

TEST_F(CertificateList, ShowsTheEndOfValidityAsTheUsersLongDateAndTheTime)
{
    storetest::ScopedEnvironment environment;
    environment.set("LC_ALL", "ru_RU.UTF-8");
    environment.set("TZ", "Europe/Moscow");
    testsupport::CertificateSpec spec;
    spec.notAfterUnix = 2097144000; // 2036-06-15 12:00 UTC, 15:00 in Moscow
    fillSystemStore(L"My", {testsupport::makeCertificate(spec)});

    auto *editor = new StoreEditor(L"My", false);

    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_NOT_AFTER),
              std::vector<std::wstring>{L"15 июня 2036 г. 15:00:00"});
}

TEST_F(CertificateList, KeepsTheStoresOrder)
{
    fillSystemStore(L"My", {storetest::certificate("Первый"), storetest::certificate("Второй"),
                            storetest::certificate("Третий")});

    auto *editor = new StoreEditor(L"My", false);

    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_SUBJECT),
              (std::vector<std::wstring>{L"Первый", L"Второй", L"Третий"}));
}

TEST_F(CertificateList, SortsByTheClickedColumnUpThenDownKeepingTheSelectionAndTheOrderOnRefill)
{
    fillSystemStore(L"My", {storetest::certificate("Петров"), storetest::certificate("Абрамов"),
                            storetest::certificate("Сидоров")});
    auto *editor = new StoreEditor(L"My", false);
    wxListCtrl &list = editor->currentList();
    storetest::select(list, {2});

    clickHeading(list, Column::COLUMN_SUBJECT);
    EXPECT_EQ(column(list, Column::COLUMN_SUBJECT), (std::vector<std::wstring>{L"Абрамов", L"Петров", L"Сидоров"}));
    EXPECT_EQ(storetest::selectedRows(list), std::vector<long>{2});
    EXPECT_EQ(list.GetSortIndicator(), Column::COLUMN_SUBJECT);
    EXPECT_TRUE(list.IsAscendingSortIndicator());

    clickHeading(list, Column::COLUMN_SUBJECT);
    const std::vector<std::wstring> descending = {L"Сидоров", L"Петров", L"Абрамов"};
    EXPECT_EQ(column(list, Column::COLUMN_SUBJECT), descending);
    EXPECT_EQ(storetest::selectedRows(list), std::vector<long>{0});
    EXPECT_FALSE(list.IsAscendingSortIndicator());

    // The commands take the rows where the list shows them.
    guitest::dialogs().queueAnswer(wxID_YES);
    editor->command(wxStoreViewEx::ID_DELETE);
    EXPECT_EQ(column(list, Column::COLUMN_SUBJECT), (std::vector<std::wstring>{L"Петров", L"Абрамов"}));
    storetest::add(*editor->currentPageData()->store, storetest::certificate("Сидоров"));
    editor->command(wxStoreViewEx::ID_REFRESH);
    EXPECT_EQ(column(list, Column::COLUMN_SUBJECT), descending);
}

// --- Counts and gauge --------------------------------------------------------------------

TEST_F(CertificateList, ShowsAllOfTheStoreInTheCountsAndLeavesTheGaugeEmptyAfterAFill)
{
    fillSystemStore(L"My", {storetest::certificate("1"), storetest::certificate("2"), storetest::certificate("3")});

    auto *editor = new StoreEditor(L"My", false);

    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 3 из 3");
    EXPECT_EQ(editor->m_statusBar->gauge()->GetValue(), 0);
    EXPECT_EQ(editor->m_statusBar->gauge()->GetRange(), 3);
    EXPECT_EQ(editor->currentPageData()->total, 3);
}

TEST_F(CertificateList, ShowsZeroOfZeroForAnEmptyStore)
{
    auto *editor = new StoreEditor(L"My", false);

    EXPECT_EQ(editor->currentList().GetItemCount(), 0);
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 0 из 0");
    EXPECT_EQ(editor->m_statusBar->gauge()->GetValue(), 0);
}

TEST_F(CertificateList, CountsTheCurrentPageWhenAStoreOpensBehindIt)
{
    fillSystemStore(L"My", {storetest::certificate("1"), storetest::certificate("2")});
    fillSystemStore(L"Root", {storetest::certificate("3")});
    auto *editor = new StoreEditor(L"My", false);

    editor->openStorePage(L"Root", false, storeTitle(L"Root"));

    EXPECT_EQ(editor->m_notebook->GetSelection(), 0);
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 2 из 2");
    EXPECT_EQ(editor->pageData(1)->total, 1);
}

// --- The filter --------------------------------------------------------------------------

TEST_F(CertificateFilter, KeepsTheRowsWhoseNameHoldsTheTextWhateverTheLetterCase)
{
    fillSystemStore(L"My", {storetest::certificate("Иванов Иван"), storetest::certificate("Петров Пётр"),
                            storetest::certificate("ИВАНОВА МАРИЯ"), storetest::certificate("Сидоров"),
                            storetest::certificate("Давыдов Иван")});
    auto *editor = new StoreEditor(L"My", false);

    editor->typeFilter(L"иВа");

    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_SUBJECT),
              (std::vector<std::wstring>{L"Иванов Иван", L"ИВАНОВА МАРИЯ", L"Давыдов Иван"}));
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 3 из 5");
    EXPECT_EQ(editor->currentPageData()->filter, L"иВа");
}

TEST_F(CertificateFilter, NarrowsWithEachCharacterTypedAndBringsNothingBackWhenOneIsDeleted)
{
    fillSystemStore(L"My", {storetest::certificate("abcd"), storetest::certificate("abxy"),
                            storetest::certificate("zzz"), storetest::certificate("ABC")});
    auto *editor = new StoreEditor(L"My", false);

    for (const wchar_t *text : {L"a", L"ab", L"abc"})
        editor->typeFilter(text);
    const std::vector<std::wstring> matchingAbc = {L"abcd", L"ABC"};
    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_SUBJECT), matchingAbc);

    editor->typeFilter(L"ab");

    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_SUBJECT), matchingAbc);
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 2 из 4");
}

TEST_F(CertificateFilter, ClearingTheBoxReadsEveryCertificateFromTheStoreAgain)
{
    fillSystemStore(L"My", {storetest::certificate("Иванов"), storetest::certificate("Петров")});
    auto *editor = new StoreEditor(L"My", false);
    editor->typeFilter(L"ив");
    ASSERT_EQ(editor->currentList().GetItemCount(), 1);
    storetest::add(*editor->currentPageData()->store, storetest::certificate("Сидоров"));

    editor->typeFilter(L"");

    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_SUBJECT),
              (std::vector<std::wstring>{L"Иванов", L"Петров", L"Сидоров"}));
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 3 из 3");
    EXPECT_EQ(editor->currentPageData()->total, 3);
    EXPECT_EQ(editor->currentPageData()->filter, L"") << "cleared with the box: coming back shows no stale text";
}

TEST_F(CertificateFilter, DropsARowWithAnEmptyNameForAnyText)
{
    fillSystemStore(L"My", {storetest::certificate("", ""), storetest::certificate("Иванов")});
    auto *editor = new StoreEditor(L"My", false);

    editor->typeFilter(L"и");

    EXPECT_EQ(column(editor->currentList(), Column::COLUMN_SUBJECT), std::vector<std::wstring>{L"Иванов"});
}

TEST_F(CertificateFilter, LooksOnlyAtTheIssuedToColumn)
{
    const Bytes der = storetest::certificate("Иванов");
    fillSystemStore(L"My", {der});
    auto *editor = new StoreEditor(L"My", false);

    editor->typeFilter(storetest::hashText(der).substr(0, 12).c_str());

    EXPECT_EQ(editor->currentList().GetItemCount(), 0);
}

TEST_F(CertificateFilter, LeavesTheOtherPagesAlone)
{
    fillSystemStore(L"My", {storetest::certificate("Иванов"), storetest::certificate("Петров")});
    auto *editor = new StoreEditor(L"My", false);
    editor->openStorePage(L"My", false, storeTitle(L"My"));

    editor->typeFilter(L"ив");

    EXPECT_EQ(editor->list(0).GetItemCount(), 1);
    EXPECT_EQ(editor->list(1).GetItemCount(), 2);
    EXPECT_EQ(editor->pageData(1)->filter, L"");
}

TEST_F(CertificateFilter, ShowsEachPagesOwnFilterTextAndCountsOnSwitchingWithoutFilteringAgain)
{
    fillSystemStore(L"My", {storetest::certificate("Иванов"), storetest::certificate("Петров"),
                            storetest::certificate("Петрова")});
    fillSystemStore(L"Root", {storetest::certificate("Корневой"), storetest::certificate("Промежуточный")});
    auto *editor = new StoreEditor(L"My", false);
    editor->openStorePage(L"Root", false, storeTitle(L"Root"));
    editor->typeFilter(L"петр");

    editor->showPage(1);
    EXPECT_EQ(editor->m_searchCtrl->GetValue(), wxString());
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 2 из 2");
    editor->typeFilter(L"корн");
    EXPECT_EQ(editor->list(1).GetItemCount(), 1);

    editor->showPage(0);
    EXPECT_EQ(editor->m_searchCtrl->GetValue(), wxString(L"петр"));
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 2 из 3");
    EXPECT_EQ(column(editor->list(0), Column::COLUMN_SUBJECT), (std::vector<std::wstring>{L"Петров", L"Петрова"}));

    editor->showPage(1);
    EXPECT_EQ(editor->m_searchCtrl->GetValue(), wxString(L"корн"));
    EXPECT_EQ(editor->statusCounts(), L"Сертификатов отобрано 1 из 2");
}

TEST_F(CertificateFilter, DoesNothingWithoutAPage)
{
    auto *editor = new StoreEditor(L"", false);

    editor->typeFilter(L"ив");

    EXPECT_EQ(editor->statusCounts(), L"");
}

} // namespace
