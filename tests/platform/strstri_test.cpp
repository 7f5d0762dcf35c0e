#include <shlwapi.h>

#include <gtest/gtest.h>

namespace {

// Where the match starts in `text`, -1 when StrStrIW finds none.
long matchOffset(const wchar_t *text, const wchar_t *search)
{
    const wchar_t *found = StrStrIW(text, search);
    return found ? static_cast<long>(found - text) : -1;
}

} // namespace

TEST(CaseInsensitiveSearch, CyrillicLowerCaseFindsCapitalised)
{
    EXPECT_EQ(matchOffset(L"Иванов Иван", L"ива"), 0);
}

TEST(CaseInsensitiveSearch, CyrillicUpperCaseFindsLowerCase)
{
    EXPECT_EQ(matchOffset(L"ООО ромашка", L"РОМАШКА"), 4);
}

TEST(CaseInsensitiveSearch, YoMatchesAcrossCase)
{
    EXPECT_EQ(matchOffset(L"Пётр Семёнов", L"СЕМЁН"), 5);
}

TEST(CaseInsensitiveSearch, YoIsNotYe)
{
    EXPECT_EQ(matchOffset(L"Семёнов", L"семен"), -1);
}

TEST(CaseInsensitiveSearch, ReturnsPointerIntoTheSearchedText)
{
    const wchar_t *text = L"abc АБВ";
    EXPECT_EQ(StrStrIW(text, L"абв"), text + 4);
}

TEST(CaseInsensitiveSearch, FindsTheFirstOfSeveralMatches)
{
    EXPECT_EQ(matchOffset(L"xAbxaBx", L"ab"), 1);
}

TEST(CaseInsensitiveSearch, AbsentTextIsNotFound)
{
    EXPECT_EQ(matchOffset(L"Иванов", L"Петров"), -1);
}

TEST(CaseInsensitiveSearch, SearchLongerThanTextIsNotFound)
{
    EXPECT_EQ(matchOffset(L"ab", L"abc"), -1);
}

TEST(CaseInsensitiveSearch, FullCaseFoldingMatchesSharpSWithDoubleS)
{
    EXPECT_EQ(matchOffset(L"Straße", L"STRASSE"), 0);
    EXPECT_EQ(matchOffset(L"STRASSE", L"straße"), 0);
}

TEST(CaseInsensitiveSearch, MatchMustCoverWholeCharacters)
{
    // "ß" folds to "ss", but half of it is not a match for "s".
    EXPECT_EQ(matchOffset(L"ß", L"s"), -1);
}

TEST(CaseInsensitiveSearch, GreekFinalSigmaMatchesSigma)
{
    EXPECT_EQ(matchOffset(L"ΟΔΥΣΣΕΥΣ", L"οδυσσευς"), 0);
}

TEST(CaseInsensitiveSearch, NullArgumentsFindNothing)
{
    EXPECT_EQ(StrStrIW(nullptr, L"a"), nullptr);
    EXPECT_EQ(StrStrIW(L"a", nullptr), nullptr);
}

TEST(CaseInsensitiveSearch, EmptySearchStringFindsNothing)
{
    EXPECT_EQ(StrStrIW(L"abc", L""), nullptr);
}
