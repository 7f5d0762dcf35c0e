// StrStrIW: case-insensitive containment over all of Unicode.
#include "text/unicodetext.h"

#include <shlwapi.h>

#include <unicode/unistr.h>

#include <algorithm>
#include <cwchar>
#include <vector>

namespace {

// Text under full case folding, with where each folded character came from.
struct FoldedText {
    std::vector<wchar_t> characters;
    std::vector<std::size_t> origin;    // for each folded character, its source index
    std::vector<bool> startsCharacter;  // true where a source character's folding begins
};

FoldedText fold(const wchar_t *text)
{
    FoldedText folded;
    for (std::size_t i = 0; text[i]; ++i) {
        const wchar_t c = text[i];
        std::wstring folding;
        if (c < 0x80) {
            folding = (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
        } else if (platform::isCodePoint(c)) {
            // Full folding: one character may fold to several ("ß" to "ss").
            folding = platform::toWide(platform::toUnicodeString(&c, 1).foldCase());
        } else {
            folding = c; // not a code point: matches only itself
        }
        for (std::size_t k = 0; k < folding.size(); ++k) {
            folded.characters.push_back(folding[k]);
            folded.origin.push_back(i);
            folded.startsCharacter.push_back(k == 0);
        }
    }
    folded.startsCharacter.push_back(true); // the end of the text is a boundary
    return folded;
}

} // namespace

PWSTR WINAPI StrStrIW(PCWSTR lpFirst, PCWSTR lpSrch)
{
    // Like the shell's own function, an empty search string finds nothing.
    if (!lpFirst || !lpSrch || !*lpSrch)
        return nullptr;
    const FoldedText text = fold(lpFirst);
    const FoldedText search = fold(lpSrch);
    auto from = text.characters.begin();
    for (;;) {
        const auto match = std::search(from, text.characters.end(), search.characters.begin(), search.characters.end());
        if (match == text.characters.end())
            return nullptr;
        const auto start = static_cast<std::size_t>(match - text.characters.begin());
        const std::size_t end = start + search.characters.size();
        // A match must cover whole characters of lpFirst: "s" is not found in "ß".
        if (text.startsCharacter[start] && text.startsCharacter[end])
            return const_cast<PWSTR>(lpFirst + text.origin[start]);
        from = match + 1;
    }
}
