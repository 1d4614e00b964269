#include "app/startup/filetools.h"
#include "app/win32/module_path.h"
#include "tests/support/environment.h"
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace pellix {
namespace {

using test::FileExists;
using test::TempFolder;

// Points TMP and TEMP somewhere else for the life of the object.
class TempEnvironment : public test::Environment {
public:
    explicit TempEnvironment(const std::wstring& folder)
        : Environment{{L"TMP", folder.c_str()}, {L"TEMP", folder.c_str()}} {}
};

TEST(GetTempFile, TwoCallsGiveTwoNewEmptyFilesInTheTempFolder) {
    const std::wstring first = GetTempFile();
    const std::wstring second = GetTempFile();
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    EXPECT_NE(first, second);
    for (const auto& path : {first, second}) {
        EXPECT_TRUE(FileExists(path));
        EXPECT_EQ(test::ReadBytes(path), "");
        EXPECT_EQ(path.substr(path.size() - 4), L".tmp");
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH + 1, temp);
        EXPECT_EQ(path.rfind(temp, 0), 0u) << "not in the temporary-files folder";
        DeleteFileW(path.c_str());
    }
}

TEST(GetTempFile, EmptyWhenTheSystemCannotGiveOne) {
    TempFolder folder;
    TempEnvironment env(folder.Join(L"does-not-exist"));
    EXPECT_EQ(GetTempFile(), L"");
}

TEST(GetTempFile, WorksInAFolderWithAnyCharacters) {
    TempFolder folder(L"Scans \u00fc\u65e5\u672c");
    TempEnvironment env(folder.Path());
    const std::wstring path = GetTempFile();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.rfind(folder.Path(), 0), 0u);
    EXPECT_TRUE(FileExists(path));
}

TEST(GetLongPath, LongShortMissingAndNonPaths) {
    TempFolder folder;
    const std::wstring longName = folder.Join(L"A rather long folder name \u00e9");
    ASSERT_TRUE(CreateDirectoryW(longName.c_str(), nullptr));
    EXPECT_EQ(GetLongPath(longName), longName);

    wchar_t shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameW(longName.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(std::wstring(shortName), longName);
    EXPECT_EQ(GetLongPath(shortName), longName);

    EXPECT_EQ(GetLongPath(folder.Join(L"missing")), L"");
    EXPECT_EQ(GetLongPath(L"\"" + longName + L"\""), L"");
    EXPECT_EQ(GetLongPath(L""), L"");
}

TEST(GetLongPath, LongFormLongerThanMaxPath) {
    TempFolder folder;
    std::wstring path = folder.Path();
    while (path.size() < 300) {
        path += L"\\" + std::wstring(40, L'x');
        ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr));
    }
    const std::wstring extended = L"\\\\?\\" + path;
    EXPECT_EQ(GetLongPath(extended), extended);
}

TEST(DeleteIfExists, NothingThereIsTrue) {
    TempFolder folder;
    EXPECT_TRUE(DeleteIfExists(L""));
    EXPECT_TRUE(DeleteIfExists(folder.Join(L"missing.bmp")));
    // A folder is not a file: it is left alone.
    EXPECT_TRUE(DeleteIfExists(folder.Path()));
    EXPECT_NE(GetFileAttributesW(folder.Path().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(DeleteIfExists, RemovesPlainAndReadOnlyFiles) {
    TempFolder folder;
    const std::wstring plain = folder.Join(L"plain.tmp");
    const std::wstring readOnly = folder.Join(L"read only.tmp");
    test::WriteBytes(plain, "x");
    test::WriteBytes(readOnly, "y");
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(DeleteIfExists(plain));
    EXPECT_TRUE(DeleteIfExists(readOnly));
    EXPECT_FALSE(FileExists(plain));
    EXPECT_FALSE(FileExists(readOnly));
}

TEST(DeleteIfExists, AFileInUseGivesFalseAndStaysAsItWas) {
    TempFolder folder;
    const std::wstring path = folder.Join(L"in use.tmp");
    test::WriteBytes(path, "page");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteIfExists(path));
    CloseHandle(h);
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(test::ReadBytes(path), "page");
    EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(DeleteIfExists(path));
}

TEST(ModulePath, NamesThisProgram) {
    const std::wstring path = ModulePath();
    EXPECT_TRUE(FileExists(path));
    EXPECT_EQ(path.substr(path.size() - 4), L".exe");
}

} // namespace
} // namespace pellix
