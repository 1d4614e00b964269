#include "app/settings/inifile.h"
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace pellix {
namespace {

using test::TempFolder;
using namespace std::string_literals;

class IniFileTest : public testing::Test {
protected:
    TempFolder folder_;
    std::wstring path_ = folder_.Join(L"Test.ini");

    clsInifile Open(const std::wstring& section, const std::wstring& key = {}) {
        clsInifile ini;
        ini.SetPath(path_);
        ini.SetSection(section);
        ini.SetKey(key);
        return ini;
    }
};

TEST_F(IniFileTest, FreshObjectReportsNoSuccessAndReadsKeepIt) {
    clsInifile ini = Open(L"Quality", L"JPGQuality");
    EXPECT_EQ(ini.LastReturnCode(), 0);
    EXPECT_FALSE(ini.Success());
    ini.SetDefault(L"90");
    EXPECT_EQ(ini.Value(), L"90");
    ini.SetDefault(L"");
    EXPECT_EQ(ini.INISection(), L"");
    EXPECT_EQ(ini.Sections(), L"");
    EXPECT_TRUE(ini.EnumerateCurrentSection().empty());
    EXPECT_TRUE(ini.EnumerateAllSections().empty());
    EXPECT_EQ(ini.LastReturnCode(), 0);
    EXPECT_FALSE(test::FileExists(path_)) << "reading must not create the file";
}

TEST_F(IniFileTest, WrittenValueIsSeenAtOnceByAnotherObject) {
    clsInifile writer = Open(L"Quality", L"JPGQuality");
    writer.SetValue(L"75");
    EXPECT_TRUE(writer.Success());
    EXPECT_NE(writer.LastReturnCode(), 0);

    clsInifile reader = Open(L"QUALITY", L"jpgquality"); // names match in any case
    reader.SetDefault(L"90");
    EXPECT_EQ(reader.Value(), L"75");

    reader.SetKey(L"Missing");
    EXPECT_EQ(reader.Value(), L"90");
}

TEST_F(IniFileTest, LongValuesComeBackCutTo254Characters) {
    clsInifile ini = Open(L"S", L"Long");
    const std::wstring value(300, L'v');
    ini.SetValue(value);
    EXPECT_EQ(ini.Value(), value.substr(0, 254));
    ini.SetValue(value.substr(0, 254));
    EXPECT_EQ(ini.Value(), value.substr(0, 254));
}

TEST_F(IniFileTest, NulCharactersAreRemovedOnWrite) {
    clsInifile ini = Open(L"S", L"K");
    ini.SetValue(L"a\0b\0\0c"s);
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ini.Value(), L"abc");
}

TEST_F(IniFileTest, KeysAndSectionsEnumerateInFileOrder) {
    clsInifile ini = Open(L"Keys", L"A");
    ini.SetValue(L"1");
    ini.SetKey(L"B");
    ini.SetValue(L"2");
    ini.SetSection(L"Other");
    ini.SetValue(L"3");

    ini.SetSection(L"Keys");
    EXPECT_EQ(ini.INISection(), L"A\0B\0"s);
    EXPECT_EQ(ini.EnumerateCurrentSection(), (std::vector<std::wstring>{L"A", L"B"}));
    EXPECT_EQ(ini.EnumerateAllSections(), (std::vector<std::wstring>{L"Keys", L"Other"}));

    ini.SetSection(L"Missing");
    EXPECT_TRUE(ini.EnumerateCurrentSection().empty());
}

TEST_F(IniFileTest, DeletingKeysAndSections) {
    clsInifile ini = Open(L"Keys", L"A");
    ini.SetValue(L"1");
    ini.SetKey(L"B");
    ini.SetValue(L"2");
    ini.SetSection(L"Other");
    ini.SetValue(L"3");

    ini.SetSection(L"Keys");
    ini.DeleteKey();
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ini.EnumerateCurrentSection(), std::vector<std::wstring>{L"A"});

    // Assigning any text to INISection removes the section and its keys.
    ini.SetINISection(L"whatever");
    EXPECT_TRUE(ini.Success());
    EXPECT_TRUE(ini.EnumerateCurrentSection().empty());
    EXPECT_EQ(ini.EnumerateAllSections(), std::vector<std::wstring>{L"Other"});

    ini.SetSection(L"Other");
    ini.DeleteSection();
    EXPECT_TRUE(ini.EnumerateAllSections().empty());
}

TEST_F(IniFileTest, WriteWithoutKeyFailsInsteadOfRemovingTheSection) {
    clsInifile ini = Open(L"Keep", L"A");
    ini.SetValue(L"1");
    ini.SetKey(L"");
    ini.SetValue(L"x");
    EXPECT_FALSE(ini.Success());
    ini.DeleteKey();
    EXPECT_FALSE(ini.Success());
    ini.SetKey(L"A");
    EXPECT_EQ(ini.Value(), L"1");

    clsInifile noPath;
    noPath.SetSection(L"S");
    noPath.SetKey(L"K");
    noPath.SetValue(L"v");
    EXPECT_FALSE(noPath.Success());
}

TEST_F(IniFileTest, RefusedWritesLeaveSuccessFalse) {
    clsInifile ini = Open(L"S", L"K");
    ini.SetValue(L"1");
    ASSERT_TRUE(ini.Success());

    ini.SetPath(folder_.Join(L"no such folder\\Test.ini"));
    ini.SetValue(L"2");
    EXPECT_FALSE(ini.Success());
    EXPECT_EQ(ini.LastReturnCode(), 0);

    // A file another program holds open without sharing.
    ini.SetPath(path_);
    HANDLE h = CreateFileW(path_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ini.SetValue(L"3");
    EXPECT_FALSE(ini.Success());
    CloseHandle(h);
    EXPECT_EQ(ini.Value(), L"1");
}

TEST_F(IniFileTest, OverlongSectionListLeavesOutTheCutName) {
    std::string text;
    std::vector<std::wstring> names;
    for (int i = 0; i < 1000; ++i) {
        const std::string name = "Section" + std::to_string(10000 + i);
        names.emplace_back(name.begin(), name.end());
        text += "[" + name + "]\r\nk=v\r\n";
    }
    test::WriteBytes(path_, text);

    clsInifile ini = Open(L"");
    const std::wstring list = ini.Sections();
    EXPECT_LE(list.size(), 8190u);
    const std::vector<std::wstring> sections = ini.EnumerateAllSections();
    ASSERT_GT(sections.size(), 100u);
    ASSERT_LT(sections.size(), names.size());
    for (size_t i = 0; i < sections.size(); ++i) {
        ASSERT_EQ(sections[i], names[i]) << "entry " << i;
    }
}

TEST_F(IniFileTest, NewFileIsWrittenInTheSystemCodePage) {
    clsInifile ini = Open(L"Application", L"Executable");
    const std::wstring value = L"C:\\Caf\u00e9\\Pellix.exe";
    ini.SetValue(value);
    ASSERT_TRUE(ini.Success());

    char expected[64] = {};
    WideCharToMultiByte(CP_ACP, 0, value.c_str(), -1, expected, sizeof expected, nullptr, nullptr);
    const std::string bytes = test::ReadBytes(path_);
    EXPECT_NE(bytes.find(std::string("Executable=") + expected), std::string::npos) << bytes;
    EXPECT_EQ(bytes.find('\0'), std::string::npos) << "not 8-bit text";
    EXPECT_EQ(ini.Value(), value);
}

TEST_F(IniFileTest, PathWithAnyCharacters) {
    TempFolder folder(L"Einstellungen \u00fc \u65e5\u672c");
    clsInifile ini;
    ini.SetPath(folder.Join(L"Pellix.ini"));
    ini.SetSection(L"S");
    ini.SetKey(L"K");
    ini.SetValue(L"v");
    EXPECT_TRUE(ini.Success());
    EXPECT_EQ(ini.Value(), L"v");
}

TEST(CLngDefault, ConvertsOrFallsBack) {
    const clsInifile ini;
    EXPECT_EQ(ini.CLngDefault(L"12", 5), 12);
    EXPECT_EQ(ini.CLngDefault(L" 7 ", 0), 7);
    EXPECT_EQ(ini.CLngDefault(L"", 5), 5);
    EXPECT_EQ(ini.CLngDefault(L"abc", 5), 5);
    EXPECT_EQ(ini.CLngDefault(L"2147483648", 5), 5);
    EXPECT_EQ(ini.CLngDefault(L"FAIL", 0), 0);

    wchar_t decimal[8] = {};
    GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, decimal, 8);
    EXPECT_EQ(ini.CLngDefault(L"2" + std::wstring(decimal) + L"5", 9), 2);
    EXPECT_EQ(ini.CLngDefault(L"3" + std::wstring(decimal) + L"5", 9), 4);
}

} // namespace
} // namespace pellix
