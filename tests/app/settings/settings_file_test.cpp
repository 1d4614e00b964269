#include "app/settings/settings_file.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>
#include <vector>

namespace pellix {
namespace {

// An in-memory INI file that records every write in order.
class FakeStore : public ProfileStore {
public:
    std::map<std::pair<std::wstring, std::wstring>, std::wstring> keys;
    std::vector<std::tuple<std::wstring, std::wstring, std::wstring>> writes;
    std::set<std::wstring> refusedKeys;

    std::wstring Read(std::wstring_view section, std::wstring_view key,
                      std::wstring_view fallback) override {
        const auto it = keys.find({std::wstring(section), std::wstring(key)});
        return it == keys.end() ? std::wstring(fallback) : it->second;
    }
    bool Write(std::wstring_view section, std::wstring_view key, std::wstring_view value) override {
        writes.emplace_back(section, key, value);
        if (refusedKeys.count(std::wstring(key))) {
            return false;
        }
        keys[{std::wstring(section), std::wstring(key)}] = value;
        return true;
    }
};

const NumberFormat kDot{L'.'};
const wchar_t* const kExe = L"C:\\Program Files\\Orvane\\Pellix\\Pellix.exe";

TEST(ReadSettings, MissingKeysGiveDefaults) {
    FakeStore store;
    const Settings s = ReadSettings(store, kDot, kExe);
    EXPECT_EQ(s.iJPGQuality, 90);
    EXPECT_FALSE(s.bAskForFilename);
    EXPECT_FALSE(s.bFilenameUseDate);
    EXPECT_FALSE(s.bFilenameUseFolder);
    EXPECT_EQ(s.sExecutable, kExe);
    EXPECT_TRUE(store.writes.empty());
}

TEST(ReadSettings, StoredFormsConvert) {
    FakeStore store;
    store.keys[{L"Quality", L"JPGQuality"}] = L"150";
    store.keys[{L"Quality", L"AskForFilename"}] = L"1";
    store.keys[{L"Quality", L"FilenameUseDate"}] = L"true";
    store.keys[{L"Quality", L"FilenameUseFolder"}] = L"0";
    store.keys[{L"Application", L"Executable"}] = L"D:\\Tools\\Scan.exe";
    const Settings s = ReadSettings(store, kDot, kExe);
    EXPECT_EQ(s.iJPGQuality, 150); // kept; only the writers fall back to 90
    EXPECT_TRUE(s.bAskForFilename);
    EXPECT_TRUE(s.bFilenameUseDate);
    EXPECT_FALSE(s.bFilenameUseFolder);
    EXPECT_EQ(s.sExecutable, L"D:\\Tools\\Scan.exe");
}

TEST(ReadSettings, PresentButUnconvertibleKeysGiveDefaults) {
    for (const wchar_t* quality : {L"", L"abc", L"40000", L"-32769", L"9 0"}) {
        FakeStore store;
        store.keys[{L"Quality", L"JPGQuality"}] = quality;
        store.keys[{L"Quality", L"AskForFilename"}] = L"yes";
        store.keys[{L"Quality", L"FilenameUseDate"}] = L"";
        EXPECT_EQ(ReadSettings(store, kDot, kExe).iJPGQuality, 90)
            << testing::PrintToString(quality);
        EXPECT_FALSE(ReadSettings(store, kDot, kExe).bAskForFilename);
        EXPECT_FALSE(ReadSettings(store, kDot, kExe).bFilenameUseDate);
    }
}

TEST(ReadSettings, QualityFractionsRoundInTheUsersFormat) {
    FakeStore store;
    store.keys[{L"Quality", L"JPGQuality"}] = L" 74,5 ";
    EXPECT_EQ(ReadSettings(store, NumberFormat{L','}, kExe).iJPGQuality, 74);
    EXPECT_EQ(ReadSettings(store, kDot, kExe).iJPGQuality, 90);
}

TEST(WriteSettings, WritesAllKeysInFileOrder) {
    FakeStore store;
    Settings s;
    s.iJPGQuality = -3;
    s.bAskForFilename = true;
    s.sExecutable = L"C:\\Pellix.exe";
    EXPECT_TRUE(WriteSettings(store, s));
    using W = std::tuple<std::wstring, std::wstring, std::wstring>;
    EXPECT_EQ(store.writes, (std::vector<W>{
                                W{L"Quality", L"JPGQuality", L"-3"},
                                W{L"Quality", L"AskForFilename", L"True"},
                                W{L"Quality", L"FilenameUseDate", L"False"},
                                W{L"Quality", L"FilenameUseFolder", L"False"},
                                W{L"Application", L"Executable", L"C:\\Pellix.exe"},
                            }));
}

TEST(WriteSettings, ARefusedWriteIsReportedAndTheRestStillWritten) {
    FakeStore store;
    store.refusedKeys.insert(L"AskForFilename");
    EXPECT_FALSE(WriteSettings(store, Settings{}));
    EXPECT_EQ(store.writes.size(), 5u);
}

TEST(WriteSettings, RoundTripsThroughRead) {
    FakeStore store;
    Settings s;
    s.iJPGQuality = 37;
    s.bFilenameUseDate = true;
    s.bFilenameUseFolder = true;
    s.sExecutable = L"E:\\x\\Pellix.exe";
    WriteSettings(store, s);
    const Settings back = ReadSettings(store, kDot, kExe);
    EXPECT_EQ(back.iJPGQuality, 37);
    EXPECT_FALSE(back.bAskForFilename);
    EXPECT_TRUE(back.bFilenameUseDate);
    EXPECT_TRUE(back.bFilenameUseFolder);
    EXPECT_EQ(back.sExecutable, s.sExecutable);
}

TEST(JpegQualityForWriting, OutOfRangeBecomes90) {
    EXPECT_EQ(JpegQualityForWriting(1), 1);
    EXPECT_EQ(JpegQualityForWriting(100), 100);
    EXPECT_EQ(JpegQualityForWriting(0), 90);
    EXPECT_EQ(JpegQualityForWriting(101), 90);
    EXPECT_EQ(JpegQualityForWriting(150), 90);
    EXPECT_EQ(JpegQualityForWriting(-5), 90);
}

TEST(DefaultExecutablePath, FolderNameAndExe) {
    EXPECT_EQ(DefaultExecutablePath(kExe), kExe);
    EXPECT_EQ(DefaultExecutablePath(L"C:\\x\\PELLIX.EXE"), L"C:\\x\\PELLIX.exe");
    EXPECT_EQ(DefaultExecutablePath(L"C:\\x.y\\my.app.exe"), L"C:\\x.y\\my.app.exe");
    EXPECT_EQ(DefaultExecutablePath(L"C:\\x\\Pellix"), L"C:\\x\\Pellix.exe");
}

} // namespace
} // namespace pellix
