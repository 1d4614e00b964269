// The settings file's text (numbers, flags, name lists, the settings read
// from and written to a store) and the fit of a stored window place.
#include "app/settings/form_position.h"
#include "app/settings/name_list.h"
#include "app/settings/settings_file.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <tuple>
#include <vector>

namespace pellix {
namespace {

using namespace std::string_view_literals;
const NumberFormat kDot{L'.'};
const NumberFormat kComma{L','};

TEST(ParseInt32, DecimalsWithBlanksAndSignRoundedHalfToEvenOrNothing) {
    const std::pair<const wchar_t*, std::int32_t> numbers[] = {
        {L" 7 ", 7},   {L"\t-7\t", -7},  {L"+05", 5}, {L"2.5", 2}, {L"3.5", 4},
        {L"-2.5", -2}, {L"2.500001", 3}, {L".5", 0},  {L"7.", 7}};
    for (const auto& [text, value] : numbers) {
        EXPECT_EQ(ParseInt32(text, kDot), value) << testing::PrintToString(text);
    }
    // The rounded value decides the range, not the text.
    EXPECT_EQ(ParseInt32(L"2147483647", kDot), INT32_MAX);
    EXPECT_EQ(ParseInt32(L"-2147483648.5", kDot), INT32_MIN);
    for (const wchar_t* text :
         {L"", L"   ", L"-", L".", L"1e3", L"0x10", L"5 5", L"- 5", L"12abc", L"1.2.3", L"3,5",
          L"2147483647.5", L"-2147483649", L"99999999999999999999999999"}) {
        EXPECT_EQ(ParseInt32(text, kDot), std::nullopt) << testing::PrintToString(text);
    }
    EXPECT_EQ(ParseInt32(L"3,5", kComma), 4);
    EXPECT_EQ(ParseInt32(L"3.5", kComma), std::nullopt);
    EXPECT_EQ(ParseInt16(L"-32768", kDot), -32768);
    EXPECT_EQ(ParseInt16(L"32767.5", kDot), std::nullopt);
}

TEST(FormatDecimal, WholeValuesPlainOthersToFourDecimalsInTheUsersFormat) {
    EXPECT_EQ(FormatDecimal(-60, kDot), L"-60");
    EXPECT_EQ(FormatDecimal(-0.5, kDot), L"-0.5");
    EXPECT_EQ(FormatDecimal(100 * 1440.0 / 168, kComma), L"857,1429"); // twips at 168 dpi
}

TEST(SplitNameList, NamesInOrderEmptyOnesKeptOrSkippedACutLastOneLeftOut) {
    using Names = std::vector<std::wstring>;
    EXPECT_EQ(SplitNameList(L"\0A\0\0B\0"sv, EmptyNames::Keep), (Names{L"", L"A", L"", L"B"}));
    EXPECT_EQ(SplitNameList(L"\0A\0\0B\0"sv, EmptyNames::Skip), (Names{L"A", L"B"}));
    EXPECT_EQ(SplitNameList(L"Alpha\0Bet"sv, EmptyNames::Keep), Names{L"Alpha"});
}

// An in-memory INI file that records every write in order and refuses one
// key if told.
class FakeStore : public ProfileStore {
public:
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> keys;
    std::vector<std::tuple<std::wstring, std::wstring, std::wstring>> writes;
    std::wstring refusedKey;

    std::wstring Read(std::wstring_view section, std::wstring_view key,
                      std::wstring_view fallback) override {
        const auto it = keys.find({std::wstring(section), std::wstring(key)});
        return it == keys.end() ? std::wstring(fallback) : it->second;
    }
    bool Write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
        writes.emplace_back(section, key, value);
        keys[{std::wstring(section), std::wstring(key)}] = value;
        return key != refusedKey;
    }
};

const wchar_t* const kExe = L"C:\\Program Files\\Orvane\\Pellix\\Pellix.exe";

TEST(ReadSettings, StoredFormsConvertAndAnythingElseGivesTheDefault) {
    FakeStore empty;
    const Settings defaults = ReadSettings(empty, kDot, kExe);
    EXPECT_EQ(std::tuple(defaults.iJPGQuality, defaults.bAskForFilename, defaults.bFilenameUseDate,
                         defaults.bFilenameUseFolder, defaults.sExecutable),
              std::tuple(90, false, false, false, kExe));
    EXPECT_TRUE(empty.writes.empty());
    // A quality out of 1..100 is kept: only the writers fall back to 90. A
    // flag is True or False in any case, or a number, true unless it is
    // zero. An empty path is kept as it stands.
    for (const auto& [quality, flag, iJPGQuality, on] :
         {std::tuple{L"150", L" tRUE ", 150, true}, std::tuple{L" 74,5 ", L"0,2", 74, true},
          std::tuple{L"", L"00,000", 90, false}, std::tuple{L"abc", L"Truee", 90, false},
          std::tuple{L"40000", L"", 90, false},
          std::tuple{L"9 0", L"-99999999999999999999", 90, true},
          std::tuple{L"7", L"FALSE", 7, false}}) {
        FakeStore store;
        store.keys = {{{L"Quality", L"JPGQuality"}, quality},
                      {{L"Quality", L"AskForFilename"}, flag},
                      {{L"Quality", L"FilenameUseDate"}, flag},
                      {{L"Quality", L"FilenameUseFolder"}, flag},
                      {{L"Application", L"Executable"}, L""}};
        const Settings s = ReadSettings(store, kComma, kExe);
        EXPECT_EQ(std::tuple(s.iJPGQuality, s.bAskForFilename, s.bFilenameUseDate,
                             s.bFilenameUseFolder, s.sExecutable),
                  std::tuple(iJPGQuality, on, on, on, L""))
            << testing::PrintToString(quality);
    }
}

TEST(WriteSettings, AllKeysInFileOrderEvenAfterARefusal) {
    Settings s;
    s.iJPGQuality = -3;
    s.bFilenameUseDate = true;
    s.sExecutable = L"C:\\Pellix.exe";
    for (const wchar_t* refused : {L"", L"AskForFilename"}) {
        FakeStore store;
        store.refusedKey = refused;
        EXPECT_EQ(WriteSettings(store, s), *refused == L'\0');
        using W = std::tuple<std::wstring, std::wstring, std::wstring>;
        EXPECT_EQ(store.writes, (std::vector<W>{{L"Quality", L"JPGQuality", L"-3"},
                                                {L"Quality", L"AskForFilename", L"False"},
                                                {L"Quality", L"FilenameUseDate", L"True"},
                                                {L"Quality", L"FilenameUseFolder", L"False"},
                                                {L"Application", L"Executable", s.sExecutable}}));
    }
}

TEST(JpegQualityForWriting, OnlyOneTo100IsUsedAnythingElseIs90) {
    for (const auto& [stored, used] : {std::pair{1, 1}, std::pair{100, 100}, std::pair{0, 90},
                                       std::pair{101, 90}, std::pair{-5, 90}}) {
        EXPECT_EQ(JpegQualityForWriting(static_cast<std::int16_t>(stored)), used) << stored;
    }
}

TEST(FitToScreen, RaisedToTheMinimumAndPulledInsideTheMarginsOrRefused) {
    // 1024 x 768 pixels at 15 twips per pixel: the margin is 60 twips. At
    // 1440 / 168 twips per pixel it is 34.29, 34 whole, and 4 times 10.125
    // rounds to the even 40.
    const ScreenMeasures screen{15360, 11520, 15, 15}, tiny{3000, 3000, 15, 15},
        odd{1280 * 1440.0 / 168, 1024 * 1440.0 / 168, 1440.0 / 168, 10.125};
    const auto max = std::numeric_limits<std::int32_t>::max();
    struct Row {
        FormRect stored;
        int minimum;
        ScreenMeasures screen;
        std::optional<FormRect> fitted;
    };
    for (const Row& row : {
             Row{{-5000, 1000, 3000, 2000}, 0, screen, FormRect{60, 1000, 3000, 2000}},
             Row{{14000, 1000, 3000, 2000}, 0, screen, FormRect{12300, 1000, 3000, 2000}},
             Row{{500, 1000, 20000, 2000}, 0, screen, FormRect{60, 1000, 15240, 2000}},
             Row{{500, -1, 3000, 12000}, 0, screen, FormRect{500, 60, 3000, 11400}},
             Row{{14000, 500, 100, 100}, 4470, screen, FormRect{10830, 500, 4470, 4470}},
             Row{{0, 0, 100, 100}, 0, odd, FormRect{34, 40, 100, 100}},
             Row{{0, 0, 100, 100}, 4470, tiny, FormRect{60, 60, 2880, 2880}}, // below the minimum
             Row{{max - 10, 100, 1000, 1000}, 0, screen, std::nullopt},
             Row{{100, 100, 1000, max}, 0, screen, std::nullopt},
         }) {
        EXPECT_EQ(FitToScreen(row.stored, row.minimum, row.minimum, row.screen), row.fitted)
            << "from " << row.stored.left << ", " << row.stored.top;
    }
    EXPECT_EQ(WholeTwips(-2.5), -2);
    EXPECT_FALSE(WholeTwips(3e9));
    EXPECT_FALSE(WholeTwips(std::numeric_limits<double>::quiet_NaN()));
}

} // namespace
} // namespace pellix
