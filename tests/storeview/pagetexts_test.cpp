// The editor's texts that count: Russian nouns agree with the number, long lists are cut.
#include "storeview/pagetexts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(PageTexts, TheDeleteQuestionAgreesWithItsNumber)
{
    const struct {
        unsigned long long count;
        const wchar_t *noun;
    } cases[] = {{1, L"сертификата"},  {2, L"сертификатов"},  {4, L"сертификатов"},  {5, L"сертификатов"},
                 {11, L"сертификатов"}, {12, L"сертификатов"}, {21, L"сертификата"}, {111, L"сертификатов"},
                 {101, L"сертификата"}};
    for (const auto &c : cases)
        EXPECT_EQ(test::deleteQuestion(c.count),
                  L"Подтверждаете удаление " + std::to_wstring(c.count) + L" " + c.noun + L"?");
    const struct {
        unsigned long long number;
        const wchar_t *form;
    } nouns[] = {{1, L"сертификат"},   {3, L"сертификата"},  {14, L"сертификатов"},
                 {22, L"сертификата"}, {0, L"сертификатов"}, {1001, L"сертификат"}};
    for (const auto &n : nouns)
        EXPECT_STREQ(test::pluralForm(n.number, L"сертификат", L"сертификата", L"сертификатов"), n.form) << n.number;
}

TEST(PageTexts, ASummaryNamesWhatWasThereUpToTenAndCountsTheRest)
{
    EXPECT_EQ(test::addedSummary(3, {}), L"Добавлено сертификатов: 3\nУже были в хранилище: 0");
    EXPECT_EQ(test::addedSummary(0, {L"Иванов", L"Петров"}),
              L"Добавлено сертификатов: 0\nУже были в хранилище: 2\nИванов\nПетров");
    const std::vector<std::wstring> twelve(12, L"Имя");
    const std::wstring summary = test::addedSummary(0, twelve);
    EXPECT_EQ(std::count(summary.begin(), summary.end(), L'\n'), 12) << "two counts, ten names, the rest";
    EXPECT_EQ(summary.substr(summary.rfind(L'\n') + 1), L"… и ещё 2");
}

} // namespace
