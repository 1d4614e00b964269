#include "app/settings/name_list.h"

#include <gtest/gtest.h>

namespace pellix {
namespace {

using Names = std::vector<std::wstring>;
using namespace std::string_view_literals;

TEST(SplitNameList, NamesInOrder) {
    EXPECT_EQ(SplitNameList(L"A\0B\0"sv, EmptyNames::Keep), (Names{L"A", L"B"}));
    EXPECT_EQ(SplitNameList(L""sv, EmptyNames::Keep), Names{});
}

TEST(SplitNameList, EmptyNamesKeptOrSkipped) {
    EXPECT_EQ(SplitNameList(L"\0A\0\0B\0"sv, EmptyNames::Keep), (Names{L"", L"A", L"", L"B"}));
    EXPECT_EQ(SplitNameList(L"\0A\0\0B\0"sv, EmptyNames::Skip), (Names{L"A", L"B"}));
}

TEST(SplitNameList, CutLastNameIsLeftOut) {
    EXPECT_EQ(SplitNameList(L"Alpha\0Bet"sv, EmptyNames::Keep), Names{L"Alpha"});
    EXPECT_EQ(SplitNameList(L"Alp"sv, EmptyNames::Keep), Names{});
}

} // namespace
} // namespace pellix
