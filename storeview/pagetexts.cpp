#include "storeview/pagetexts.h"

namespace test {

namespace {

// Names listed in a summary before the rest are only counted.
const size_t kNamesShown = 10;

} // namespace

const wchar_t *pluralForm(unsigned long long number, const wchar_t *one, const wchar_t *few, const wchar_t *many)
{
    const unsigned long long lastTwo = number % 100, last = number % 10;
    if (lastTwo >= 11 && lastTwo <= 14)
        return many;
    if (last == 1)
        return one;
    return last >= 2 && last <= 4 ? few : many;
}

std::wstring deleteQuestion(unsigned long long count)
{
    // The number follows "удаление", which governs the genitive: 1 сертификата, 2 сертификатов.
    return L"Подтверждаете удаление " + std::to_wstring(count) + L" " +
           pluralForm(count, L"сертификата", L"сертификатов", L"сертификатов") + L"?";
}

std::wstring addedSummary(unsigned long long added, const std::vector<std::wstring> &present)
{
    std::wstring text = L"Добавлено сертификатов: " + std::to_wstring(added) +
                        L"\nУже были в хранилище: " + std::to_wstring(present.size());
    if (!present.empty())
        text += L"\n" + someLines(present, kNamesShown);
    return text;
}

std::wstring someLines(const std::vector<std::wstring> &lines, size_t shown)
{
    std::wstring text;
    for (size_t i = 0; i < lines.size() && i < shown; ++i)
        text += (i ? L"\n" : L"") + lines[i];
    if (lines.size() > shown)
        text += L"\n… и ещё " + std::to_wstring(lines.size() - shown);
    return text;
}

} // namespace test
