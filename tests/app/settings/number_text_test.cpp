#include "app/settings/number_text.h"

#include <gtest/gtest.h>

namespace pellix {
namespace {

const NumberFormat kDot{L'.'};
const NumberFormat kComma{L','};

TEST(ParseInt32, AcceptsDecimalNumbersWithBlanksAndSign) {
    EXPECT_EQ(ParseInt32(L"12", kDot), 12);
    EXPECT_EQ(ParseInt32(L" 7 ", kDot), 7);
    EXPECT_EQ(ParseInt32(L"\t-7\t", kDot), -7);
    EXPECT_EQ(ParseInt32(L"+5", kDot), 5);
    EXPECT_EQ(ParseInt32(L"007", kDot), 7);
    EXPECT_EQ(ParseInt32(L"2147483647", kDot), 2147483647);
    EXPECT_EQ(ParseInt32(L"-2147483648", kDot), INT32_MIN);
}

TEST(ParseInt32, RoundsFractionsHalfToEven) {
    EXPECT_EQ(ParseInt32(L"2.5", kDot), 2);
    EXPECT_EQ(ParseInt32(L"3.5", kDot), 4);
    EXPECT_EQ(ParseInt32(L"-2.5", kDot), -2);
    EXPECT_EQ(ParseInt32(L"-3.5", kDot), -4);
    EXPECT_EQ(ParseInt32(L"2.500001", kDot), 3);
    EXPECT_EQ(ParseInt32(L"2.49999", kDot), 2);
    EXPECT_EQ(ParseInt32(L".5", kDot), 0);
    EXPECT_EQ(ParseInt32(L"7.", kDot), 7);
    // The rounded value decides the range, not the text.
    EXPECT_EQ(ParseInt32(L"2147483646.5", kDot), 2147483646);
    EXPECT_EQ(ParseInt32(L"2147483647.5", kDot), std::nullopt);
    EXPECT_EQ(ParseInt32(L"-2147483648.5", kDot), INT32_MIN);
}

TEST(ParseInt32, UsesTheLocaleDecimalSeparator) {
    EXPECT_EQ(ParseInt32(L"3,5", kComma), 4);
    EXPECT_EQ(ParseInt32(L"3,5", kDot), std::nullopt);
    EXPECT_EQ(ParseInt32(L"3.5", kComma), std::nullopt);
}

TEST(ParseInt32, RejectsEverythingElse) {
    for (const wchar_t* text :
         {L"", L"   ", L"abc", L"FAIL", L"-", L"+", L".", L"1e3", L"0x10", L"&H10", L"5 5", L"- 5",
          L"12abc", L"1.2.3", L"2147483648", L"-2147483649", L"99999999999999999999999999"}) {
        EXPECT_EQ(ParseInt32(text, kDot), std::nullopt) << "text: " << testing::PrintToString(text);
    }
}

TEST(ParseInt16, KeepsTheSixteenBitRange) {
    EXPECT_EQ(ParseInt16(L"150", kDot), 150);
    EXPECT_EQ(ParseInt16(L"32767", kDot), 32767);
    EXPECT_EQ(ParseInt16(L"-32768", kDot), -32768);
    EXPECT_EQ(ParseInt16(L"32768", kDot), std::nullopt);
    EXPECT_EQ(ParseInt16(L"32767.5", kDot), std::nullopt);
}

TEST(ParseBoolean, WordsInAnyCaseAndNumbers) {
    EXPECT_EQ(ParseBoolean(L"True", kDot), true);
    EXPECT_EQ(ParseBoolean(L"true", kDot), true);
    EXPECT_EQ(ParseBoolean(L" FALSE ", kDot), false);
    EXPECT_EQ(ParseBoolean(L"1", kDot), true);
    EXPECT_EQ(ParseBoolean(L"-1", kDot), true);
    EXPECT_EQ(ParseBoolean(L"0", kDot), false);
    EXPECT_EQ(ParseBoolean(L"0.2", kDot), true);
    EXPECT_EQ(ParseBoolean(L"0,0", kComma), false);
    EXPECT_EQ(ParseBoolean(L"99999999999999999999", kDot), true);
}

TEST(ParseBoolean, RejectsOtherText) {
    for (const wchar_t* text : {L"", L"yes", L"no", L"Truee", L"T", L"on", L"1 0"}) {
        EXPECT_EQ(ParseBoolean(text, kDot), std::nullopt) << testing::PrintToString(text);
    }
}

TEST(FormatBoolean, CapitalFirstLetter) {
    EXPECT_EQ(FormatBoolean(true), L"True");
    EXPECT_EQ(FormatBoolean(false), L"False");
}

TEST(FormatDecimal, WholeValuesPlainFractionsInTheUsersFormatAndReadBack) {
    EXPECT_EQ(FormatDecimal(1500, kDot), L"1500");
    EXPECT_EQ(FormatDecimal(-60, kDot), L"-60");
    EXPECT_EQ(FormatDecimal(0, kDot), L"0");
    // Twips at 168 dpi: 1440 / 168 per pixel.
    EXPECT_EQ(FormatDecimal(100 * 1440.0 / 168, kComma), L"857,1429");
    EXPECT_EQ(FormatDecimal(-0.5, kDot), L"-0.5");
    EXPECT_EQ(FormatDecimal(2147483647.0, kDot), L"2147483647");
    EXPECT_EQ(ParseInt32(FormatDecimal(857.1429, kComma), kComma), 857);
    EXPECT_EQ(ParseInt32(FormatDecimal(12.5, kDot), kDot), 12);
}

} // namespace
} // namespace pellix
