#include "app/settings/settings.h"
#include "app/startup/filetools.h"
#include "tests/win32/temp_folder.h"

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

TEST_F(SettingsTest, SaveIntoAFolderThatCannotBeWrittenReportsFailure) {
    sIniFile = folder_.Join(L"gone\\Pellix.ini");
    gSettings.iJPGQuality = 42;
    EXPECT_FALSE(SaveSettings());
    EXPECT_EQ(gSettings.iJPGQuality, 42);
}

} // namespace
} // namespace pellix
