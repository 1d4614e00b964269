#include "app/settings/inifile.h"
#include "app/settings/settings.h"
#include "app/win32/module_path.h"
#include "tests/support/temp_folder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace pellix {
namespace {

using test::TempFolder;

class SettingsTest : public testing::Test {
protected:
    void SetUp() override {
        sIniFile = folder_.Join(L"Pellix.ini");
        gSettings = Settings{};
    }

    // The file's lines without blank ones.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::istringstream in(test::ReadBytes(sIniFile));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (!line.empty()) {
                lines.push_back(line);
            }
        }
        return lines;
    }

    TempFolder folder_;
};

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

TEST_F(SettingsTest, WithoutAFileLoadGivesDefaultsAndCreatesNothing) {
    LoadSettings();
    EXPECT_EQ(gSettings.iJPGQuality, 90);
    EXPECT_FALSE(gSettings.bAskForFilename);
    EXPECT_FALSE(gSettings.bFilenameUseDate);
    EXPECT_FALSE(gSettings.bFilenameUseFolder);
    EXPECT_EQ(gSettings.sExecutable, DefaultExecutablePath(ModulePath()));
    EXPECT_FALSE(test::FileExists(sIniFile));
}

TEST_F(SettingsTest, FirstSaveWritesAllKeysInOrder) {
    LoadSettings();
    gSettings.iJPGQuality = 75;
    gSettings.bFilenameUseDate = true;
    EXPECT_TRUE(SaveSettings());
    EXPECT_EQ(Lines(), (std::vector<std::string>{
                           "[Quality]",
                           "JPGQuality=75",
                           "AskForFilename=False",
                           "FilenameUseDate=True",
                           "FilenameUseFolder=False",
                           "[Application]",
                           "Executable=" + Narrow(DefaultExecutablePath(ModulePath())),
                       }));
}

TEST_F(SettingsTest, HandEditedFileLoadsAndSurvivesASave) {
    test::WriteBytes(sIniFile, "; my notes\r\n"
                               "[Quality]\r\n"
                               "JPGQuality=150\r\n"
                               "AskForFilename=1\r\n"
                               "FilenameUseDate=true\r\n"
                               "FilenameUseFolder=maybe\r\n"
                               "Extra=kept\r\n"
                               "[Application]\r\n"
                               "Executable=D:\\Tools\\Pellix.exe\r\n"
                               "[Mine]\r\n"
                               "x=1\r\n");
    LoadSettings();
    EXPECT_EQ(gSettings.iJPGQuality, 150);
    EXPECT_TRUE(gSettings.bAskForFilename);
    EXPECT_TRUE(gSettings.bFilenameUseDate);
    EXPECT_FALSE(gSettings.bFilenameUseFolder);
    EXPECT_EQ(gSettings.sExecutable, L"D:\\Tools\\Pellix.exe");

    EXPECT_TRUE(SaveSettings());
    const std::vector<std::string> lines = Lines();
    const auto has = [&](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    EXPECT_TRUE(has("; my notes"));
    EXPECT_TRUE(has("Extra=kept"));
    EXPECT_TRUE(has("[Mine]"));
    EXPECT_TRUE(has("JPGQuality=150"));
    EXPECT_TRUE(has("FilenameUseFolder=False"));
    EXPECT_TRUE(has("Executable=D:\\Tools\\Pellix.exe"));
}

TEST_F(SettingsTest, UnconvertibleValuesLoadAsDefaults) {
    test::WriteBytes(sIniFile, "[Quality]\r\nJPGQuality=\r\nAskForFilename=yes\r\n"
                               "FilenameUseDate=-1\r\n[Application]\r\nExecutable=\r\n");
    LoadSettings();
    EXPECT_EQ(gSettings.iJPGQuality, 90);
    EXPECT_FALSE(gSettings.bAskForFilename);
    EXPECT_TRUE(gSettings.bFilenameUseDate);
    EXPECT_EQ(gSettings.sExecutable, L""); // present: kept as it stands

    test::WriteBytes(sIniFile, "[Quality]\r\nJPGQuality=70000\r\n");
    LoadSettings();
    EXPECT_EQ(gSettings.iJPGQuality, 90);
}

// Files no one wrote as settings: binary bytes, huge lines, UTF-16 and
// broken UTF-8 text, bytes outside the code page. Loading takes what
// converts, gives defaults for the rest, and a save afterwards still works.
TEST_F(SettingsTest, GarbageFilesLoadWithoutHarm) {
    std::string binary;
    for (int i = 0; i < 64 * 1024; ++i) {
        binary += static_cast<char>((i * 131) & 0xff);
    }
    const std::string huge =
        "[Quality]\r\nJPGQuality=" + std::string(1 << 20, '7') +
        "\r\nAskForFilename=True\r\n[Application]\r\nExecutable=" + std::string(100000, 'x') +
        "\r\n";
    std::string manyKeys = "[Quality]\r\n";
    for (int i = 0; i < 5000; ++i) {
        manyKeys += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    }
    manyKeys += "JPGQuality=55\r\n";
    const std::u16string utf16 = u"\xfeff[Quality]\r\nJPGQuality=42\r\nAskForFilename=true\r\n"
                                 u"[Application]\r\nExecutable=C:\\\x65e5\x672c\\P.exe\r\n";
    const std::string utf16Bytes(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2);
    const std::string brokenUtf8 = "[Quality]\nJPGQuality=9\xc0"
                                   "0\nAskForFilename=\xff\xfe\n"
                                   "[\xed\xa0\x80]\nFilenameUseDate=1\n[Application]\n"
                                   "Executable=\x81\x8d\x8f\x90\x9d\n";
    struct Row {
        const char* name;
        std::string bytes;
        std::int16_t quality;
        bool ask;
    };
    const Row rows[] = {
        {"binary", binary, 90, false},
        {"huge lines", huge, 90, true},
        {"many keys", manyKeys, 55, false},
        {"UTF-16 with its mark", utf16Bytes, 42, true},
        {"broken UTF-8 and bytes outside the code page", brokenUtf8, 90, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::WriteBytes(sIniFile, row.bytes);
        gSettings = Settings{};
        LoadSettings();
        EXPECT_EQ(gSettings.iJPGQuality, row.quality);
        EXPECT_EQ(gSettings.bAskForFilename, row.ask);
        EXPECT_LE(gSettings.sExecutable.size(), 254u);

        clsInifile ini;
        ini.SetPath(sIniFile);
        ini.SetSection(L"Quality");
        for (const std::wstring& name : ini.EnumerateCurrentSection()) {
            EXPECT_EQ(name.find(L'\0'), std::wstring::npos);
        }
        EXPECT_LE(ini.Sections().size(), 8191u);
        EXPECT_LE(ini.INISection().size(), 8191u);

        // The loaded values go back into the same file.
        gSettings.iJPGQuality = 33;
        EXPECT_TRUE(SaveSettings());
        gSettings = Settings{};
        LoadSettings();
        EXPECT_EQ(gSettings.iJPGQuality, 33);
    }
}

TEST_F(SettingsTest, SaveIntoAFolderThatCannotBeWrittenReportsFailure) {
    sIniFile = folder_.Join(L"gone\\Pellix.ini");
    gSettings.iJPGQuality = 42;
    EXPECT_FALSE(SaveSettings());
    EXPECT_EQ(gSettings.iJPGQuality, 42);
}

} // namespace
} // namespace pellix
