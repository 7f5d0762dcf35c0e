// The editor's texts that depend on numbers and names, without the toolkit.
#pragma once

#include <string>
#include <vector>

namespace test {

// The form of a Russian noun that goes with the number: `one` for 1, 21, 101…, `few` for
// 2–4, 22–24…, `many` for 0, 5–20, 25–30… (11–14 take `many`).
const wchar_t *pluralForm(unsigned long long number, const wchar_t *one, const wchar_t *few, const wchar_t *many);

// The question Удалить asks before it deletes `count` certificates.
std::wstring deleteQuestion(unsigned long long count);

// What a paste or an import tells at its end: the number added, the number that the store
// held already and, when they are few, their names.
std::wstring addedSummary(unsigned long long added, const std::vector<std::wstring> &present);

// Up to `shown` lines of a list, then how many more there are: a box that names ten
// thousand certificates would not fit the screen.
std::wstring someLines(const std::vector<std::wstring> &lines, size_t shown);

} // namespace test
