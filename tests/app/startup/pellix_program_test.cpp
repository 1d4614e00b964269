// Pellix.exe as a user meets it: started with a command line, scanning from
// the virtual scanner, answering its windows by pressing their buttons.
// Each test runs a private copy of the program in a folder of its own, so
// that its Pellix.ini belongs to the test.
#include "app/mainwindow/main_window.h"
#include "tests/support/environment.h"
#include "tests/support/pellix_process.h"
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <vector>

namespace pellix {
namespace {

using test::FilesIn;
using test::Program;
using test::ScannerSettings;
using test::TempFolder;
using test::TextOf;
using test::WindowsPath;

class PellixProgram : public testing::Test {
protected:
    TempFolder install_{L"pellix-program"};
    TempFolder temp_{L"pellix-temp"};
    TempFolder scans_{L"My Scans"};
    std::wstring exe_ = install_.Join(L"Pellix.exe");
    test::Environment environment_;

    void SetUp() override {
        ASSERT_TRUE(CopyFileW(WindowsPath(PELLIX_EXE).c_str(), exe_.c_str(), FALSE));
        // The program's temporary files go where the test can see them.
        environment_.Set(L"TMP", temp_.Path().c_str());
        environment_.Set(L"TEMP", temp_.Path().c_str());
    }

    void Settings(const std::string& quality) {
        test::WriteBytes(install_.Join(L"Pellix.ini"), "[Quality]\r\n" + quality);
    }

    std::vector<std::wstring> Scans() const { return FilesIn(scans_.Path()); }
    void ExpectNoTemporaryFileLeft() const { EXPECT_EQ(FilesIn(temp_.Path()).size(), 0u); }
};

const std::wregex kStampName(L"\\d{9,14}-Pellix\\.jpg");

TEST_F(PellixProgram, AnExistingFolderIsScannedInto) {
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    wchar_t shortName[MAX_PATH] = {};
    GetShortPathNameW(scans_.Path().c_str(), shortName, MAX_PATH);
    // Blanks and all, no quotes; the short form; a trailing backslash.
    for (const std::wstring& tail :
         {scans_.Path(), std::wstring(shortName), scans_.Path() + L"\\"}) {
        SCOPED_TRACE(testing::PrintToString(tail));
        const size_t before = Scans().size();
        Program program(exe_, tail, install_.Path());
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(program.Ended());
        const std::vector<std::wstring> scans = Scans();
        ASSERT_EQ(scans.size(), before + 1);
        EXPECT_TRUE(std::regex_match(scans.back(), kStampName) ||
                    std::regex_match(scans.front(), kStampName));
        ExpectNoTemporaryFileLeft();
    }
    EXPECT_FALSE(test::FileExists(install_.Join(L"Pellix.ini"))) << "a run writes no settings";
}

TEST_F(PellixProgram, AnythingElseOpensTheMainWindowOnAFolder) {
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    const std::wstring file = scans_.Join(L"page.bmp");
    test::WriteBytes(file, "x");
    struct Row {
        std::wstring tail, folder;
    };
    for (const Row& row :
         {Row{L"", install_.Path()}, Row{L"\"" + scans_.Path() + L"\"", install_.Path()},
          Row{file, file}, Row{scans_.Join(L"Missing"), install_.Path()}}) {
        SCOPED_TRACE(testing::PrintToString(row.tail));
        Program program(exe_, row.tail, install_.Path());
        HWND main = program.Window(L"Pellix");
        ASSERT_NE(main, nullptr);
        HWND label = GetDlgItem(GetDlgItem(main, kFolderStripId), kCurrentFolderLabelId);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(TextOf(label), row.folder);
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_TRUE(program.Ended());
    }
    EXPECT_EQ(Scans(), std::vector<std::wstring>{L"page.bmp"});
}

// Wine's TWAIN manager switched off for one program name (Wine reads its
// per-program library settings from the registry).
class NoTwainFor {
public:
    explicit NoTwainFor(const std::wstring& exeName)
        : key_(L"Software\\Wine\\AppDefaults\\" + exeName + L"\\DllOverrides") {
        RegSetKeyValueW(HKEY_CURRENT_USER, key_.c_str(), L"twain_32", REG_SZ, L"", sizeof(wchar_t));
    }
    ~NoTwainFor() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
    NoTwainFor(const NoTwainFor&) = delete;
    NoTwainFor& operator=(const NoTwainFor&) = delete;

private:
    std::wstring key_;
};

TEST_F(PellixProgram, WithoutTwainItSaysSoAndTouchesNoSettings) {
    const std::wstring exe = install_.Join(L"PellixWithoutTwain.exe");
    ASSERT_TRUE(CopyFileW(exe_.c_str(), exe.c_str(), FALSE));
    NoTwainFor noTwain(L"PellixWithoutTwain.exe");
    Settings("JPGQuality=75\r\n");
    const std::string settings = test::ReadBytes(install_.Join(L"Pellix.ini"));
    Program program(exe, scans_.Path(), install_.Path());
    HWND message = program.Window(L"Pellix");
    ASSERT_NE(message, nullptr);
    HWND text = FindWindowExW(message, nullptr, L"Static", nullptr);
    while (text && TextOf(text).empty()) {
        text = FindWindowExW(message, text, L"Static", nullptr);
    }
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(TextOf(text), L"There is no TWAIN compatible device on this machine!");
    PostMessageW(message, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(program.Ended());
    EXPECT_EQ(test::ReadBytes(install_.Join(L"Pellix.ini")), settings);
    EXPECT_TRUE(Scans().empty());
}

// Answers the filename prompt: types `text` unless null, then presses the
// button with `button` as its caption, or the close box when null.
void AnswerPrompt(const Program& program, const wchar_t* text, const wchar_t* button,
                  std::wstring* proposal = nullptr) {
    HWND prompt = program.Window(L"Pellix filename");
    ASSERT_NE(prompt, nullptr);
    EXPECT_TRUE(GetWindowLongW(prompt, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_NE(GetWindow(prompt, GW_OWNER), nullptr) << "owned, so not on the taskbar";
    HWND edit = FindWindowExW(prompt, nullptr, L"Edit", nullptr);
    ASSERT_NE(edit, nullptr);
    if (proposal) {
        *proposal = TextOf(edit);
    }
    if (text) {
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    if (button) {
        HWND pressed = FindWindowExW(prompt, nullptr, L"Button", button);
        ASSERT_NE(pressed, nullptr);
        PostMessageW(pressed, BM_CLICK, 0, 0);
    } else {
        PostMessageW(prompt, WM_CLOSE, 0, 0);
    }
}

TEST_F(PellixProgram, ThePromptProposesAndTheAnswerNamesTheFile) {
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    struct Row {
        const char* flags;
        const wchar_t* typed;
        const wchar_t* button;
        const wchar_t* proposal; // regex
        const wchar_t* written;  // regex
    };
    const Row rows[] = {
        {"FilenameUseDate=True\r\nFilenameUseFolder=True\r\n", nullptr, L"OK",
         L"\\d{9,14}-My Scans-\\d+", L"\\d{9,14}-My Scans-\\d+\\.jpg"},
        {"FilenameUseDate=True\r\n", nullptr, L"OK", L"\\d{9,14}", L"\\d{9,14}\\.jpg"},
        {"FilenameUseFolder=True\r\n", nullptr, L"OK", L"-My Scans-\\d+", L"-My Scans-\\d+\\.jpg"},
        // Automatic names made within one second get " (2)" and so on.
        {"", nullptr, L"OK", L"", L"\\d{9,14}-Pellix( \\(\\d\\))?\\.jpg"},
        {"FilenameUseDate=True\r\n", nullptr, L"Cancel", L"\\d{9,14}",
         L"\\d{9,14}-Pellix( \\(\\d\\))?\\.jpg"},
        {"FilenameUseDate=True\r\n", nullptr, nullptr, L"\\d{9,14}",
         L"\\d{9,14}-Pellix( \\(\\d\\))?\\.jpg"},
        {"", L"Receipt", L"OK", L"", L"Receipt\\.jpg"},
        {"", L"Invoice.JPG", L"OK", L"", L"Invoice\\.JPG"},
        {"", L"scan.jpeg", L"OK", L"", L"scan\\.jpeg\\.jpg"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.written)));
        Settings(std::string("AskForFilename=True\r\n") + row.flags);
        const std::vector<std::wstring> before = Scans();
        Program program(exe_, scans_.Path(), install_.Path());
        std::wstring proposal;
        AnswerPrompt(program, row.typed, row.button, &proposal);
        EXPECT_TRUE(std::regex_match(proposal, std::wregex(row.proposal)))
            << testing::PrintToString(proposal);
        ASSERT_TRUE(program.Ended());
        std::vector<std::wstring> added;
        for (const std::wstring& name : Scans()) {
            if (std::find(before.begin(), before.end(), name) == before.end()) {
                added.push_back(name);
            }
        }
        ASSERT_EQ(added.size(), 1u);
        EXPECT_TRUE(std::regex_match(added[0], std::wregex(row.written)))
            << testing::PrintToString(added[0]);
        ExpectNoTemporaryFileLeft();
    }
}

TEST_F(PellixProgram, ATypedNameReplacesAnOlderFile) {
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    test::WriteBytes(scans_.Join(L"Receipt.jpg"), "old");
    Settings("AskForFilename=True\r\n");
    Program program(exe_, scans_.Path(), install_.Path());
    AnswerPrompt(program, L"Receipt", L"OK");
    ASSERT_TRUE(program.Ended());
    EXPECT_NE(test::ReadBytes(scans_.Join(L"Receipt.jpg")), "old");
}

TEST_F(PellixProgram, AnAutomaticNameNeverReplacesAnEarlierScan) {
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    // Earlier scans under every name the next seconds can give.
    for (int s = 0; s < 20; ++s) {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER t{{now.dwLowDateTime, now.dwHighDateTime}};
        t.QuadPart += static_cast<ULONGLONG>(s) * 10000000ull;
        FILETIME later{t.LowPart, t.HighPart}, local;
        FileTimeToLocalFileTime(&later, &local);
        SYSTEMTIME st;
        FileTimeToSystemTime(&local, &st);
        std::wstring stamp;
        for (int part : {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond}) {
            stamp += std::to_wstring(part);
        }
        test::WriteBytes(scans_.Join(stamp + L"-Pellix.jpg"), "earlier");
    }
    const size_t before = Scans().size();
    Program program(exe_, scans_.Path(), install_.Path());
    ASSERT_TRUE(program.Ended());
    const std::vector<std::wstring> scans = Scans();
    ASSERT_EQ(scans.size(), before + 1);
    size_t earlier = 0;
    for (const std::wstring& name : scans) {
        if (test::ReadBytes(scans_.Join(name)) == "earlier") {
            ++earlier;
        } else {
            EXPECT_TRUE(std::regex_match(name, std::wregex(L"\\d{9,14}-Pellix \\(2\\)\\.jpg")))
                << testing::PrintToString(name);
        }
    }
    EXPECT_EQ(earlier, before);
}

// Cancelled in the source's dialog, or the scanner failing: at the start of
// a transfer of the whole page, or after the first strip of a transfer in
// strips.
TEST_F(PellixProgram, ACancelledOrFailedScanEndsQuietly) {
    test::WriteBytes(scans_.Join(L"earlier.jpg"), "earlier scan");
    struct Row {
        const wchar_t* answer;
        const wchar_t* transfer;
    };
    for (const Row& row :
         {Row{L"cancel", L"native"}, Row{L"fail", L"native"}, Row{L"fail", L"memory"}}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(row.answer) + L" " + row.transfer));
        ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", row.answer},
                                {L"PELLIX_VSCAN_XFER", row.transfer}};
        Settings("AskForFilename=True\r\n");
        Program program(exe_, scans_.Path(), install_.Path());
        EXPECT_TRUE(program.Ended()) << "no prompt, no message";
        EXPECT_EQ(program.ExitCode(), 0u);
        EXPECT_EQ(Scans(), std::vector<std::wstring>{L"earlier.jpg"});
        EXPECT_EQ(test::ReadBytes(scans_.Join(L"earlier.jpg")), "earlier scan");
        ExpectNoTemporaryFileLeft();
    }
}

TEST_F(PellixProgram, AFailedWriteIsReportedAndLeavesNothing) {
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    Settings("AskForFilename=True\r\n");
    Program program(exe_, scans_.Path(), install_.Path());
    AnswerPrompt(program, L"no\\such\\folder\\page", L"OK");
    HWND message = program.Window(L"Pellix");
    ASSERT_NE(message, nullptr);
    std::wstring shown;
    for (HWND child = FindWindowExW(message, nullptr, L"Static", nullptr); child;
         child = FindWindowExW(message, child, L"Static", nullptr)) {
        shown += TextOf(child);
    }
    EXPECT_NE(shown.find(L"no\\such\\folder\\page.jpg"), std::wstring::npos)
        << testing::PrintToString(shown);
    PostMessageW(message, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(program.Ended());
    EXPECT_TRUE(Scans().empty());
    ExpectNoTemporaryFileLeft();
}

// The run's report of a file it could not write: its text, then OK.
std::wstring AnswerFailure(const Program& program) {
    HWND message = program.Window(L"Pellix");
    if (!message) {
        return L"(no message)";
    }
    const std::wstring shown = test::MessageText(message);
    PostMessageW(message, WM_COMMAND, IDOK, 0);
    return shown;
}

TEST_F(PellixProgram, AFolderDeletedBeforeTheWriteIsReportedAndNotMadeAgain) {
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    Settings("AskForFilename=True\r\n");
    Program program(exe_, scans_.Path(), install_.Path());
    // The page is scanned and the prompt waits: the folder goes now.
    HWND prompt = program.Window(L"Pellix filename");
    ASSERT_NE(prompt, nullptr);
    test::RemoveTree(scans_.Path());
    ASSERT_FALSE(test::FileExists(scans_.Path()));
    AnswerPrompt(program, L"page", L"OK");
    const std::wstring shown = AnswerFailure(program);
    EXPECT_NE(shown.find(scans_.Join(L"page.jpg")), std::wstring::npos)
        << testing::PrintToString(shown);
    ASSERT_TRUE(program.Ended());
    EXPECT_EQ(program.ExitCode(), 0u);
    EXPECT_EQ(GetFileAttributesW(scans_.Path().c_str()), INVALID_FILE_ATTRIBUTES);
    ExpectNoTemporaryFileLeft();
}

// A typed name may replace an earlier file; one that another program holds
// open, or one marked read-only, is reported and keeps its bytes.
TEST_F(PellixProgram, ATargetThatCannotBeReplacedIsReportedAndKeepsItsBytes) {
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    Settings("AskForFilename=True\r\n");
    const std::wstring target = scans_.Join(L"Receipt.jpg");
    for (const bool locked : {true, false}) {
        SCOPED_TRACE(locked ? "held open by another program" : "read-only");
        test::WriteBytes(target, "earlier scan");
        HANDLE lock = INVALID_HANDLE_VALUE;
        if (locked) {
            lock = CreateFileW(target.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(lock, INVALID_HANDLE_VALUE);
        } else {
            ASSERT_TRUE(SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        Program program(exe_, scans_.Path(), install_.Path());
        AnswerPrompt(program, L"Receipt", L"OK");
        const std::wstring shown = AnswerFailure(program);
        EXPECT_NE(shown.find(target), std::wstring::npos) << testing::PrintToString(shown);
        EXPECT_TRUE(program.Ended());
        if (locked) {
            CloseHandle(lock);
        }
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(test::ReadBytes(target), "earlier scan");
        EXPECT_EQ(Scans(), std::vector<std::wstring>{L"Receipt.jpg"}) << "no half-written file";
        ExpectNoTemporaryFileLeft();
    }
}

// Drives S: (small, filled up here) and R: (read-only) are size-limited
// mounts that the test set-up maps when it may mount (scripts/fault-drives.sh).
bool DriveMapped(const wchar_t* root) {
    return GetFileAttributesW(root) != INVALID_FILE_ATTRIBUTES;
}

// Fills a drive: one file grows until the drive has no room left.
class Filler {
public:
    explicit Filler(const std::wstring& path) : path_(path) {
        HANDLE file =
            CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return;
        }
        const std::string block(4096, 'f');
        DWORD written = 0;
        while (WriteFile(file, block.data(), static_cast<DWORD>(block.size()), &written, nullptr) &&
               written == block.size()) {
        }
        error_ = GetLastError();
        CloseHandle(file);
    }
    ~Filler() { DeleteFileW(path_.c_str()); }
    Filler(const Filler&) = delete;
    Filler& operator=(const Filler&) = delete;
    DWORD Error() const { return error_; }

private:
    std::wstring path_;
    DWORD error_ = 0;
};

TEST_F(PellixProgram, AFullDriveIsReportedAndKeepsEarlierScans) {
    if (!DriveMapped(L"S:\\")) {
        GTEST_SKIP() << "drive S: is not mapped: the test set-up could not mount a small drive";
    }
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    for (const std::wstring& name : FilesIn(L"S:")) {
        DeleteFileW((L"S:\\" + name).c_str());
    }
    test::WriteBytes(L"S:\\earlier.jpg", "earlier scan");
    Filler filler(L"S:\\filler.bin");
    ASSERT_EQ(filler.Error(), static_cast<DWORD>(ERROR_DISK_FULL));
    for (const bool prompt : {false, true}) {
        SCOPED_TRACE(prompt ? "typed name" : "automatic name");
        Settings(prompt ? "AskForFilename=True\r\n" : "");
        Program program(exe_, L"S:\\", install_.Path());
        if (prompt) {
            AnswerPrompt(program, L"earlier", L"OK");
        }
        const std::wstring shown = AnswerFailure(program);
        EXPECT_NE(shown.find(L"the disk is full"), std::wstring::npos)
            << testing::PrintToString(shown);
        EXPECT_NE(shown.find(L"S:\\\\"), std::wstring::npos) << testing::PrintToString(shown);
        EXPECT_TRUE(program.Ended());
        EXPECT_EQ(FilesIn(L"S:"), (std::vector<std::wstring>{L"earlier.jpg", L"filler.bin"}))
            << "no half-written file";
        EXPECT_EQ(test::ReadBytes(L"S:\\earlier.jpg"), "earlier scan");
        ExpectNoTemporaryFileLeft();
    }
}

TEST_F(PellixProgram, AReadOnlyDriveIsReported) {
    if (!DriveMapped(L"R:\\")) {
        GTEST_SKIP() << "drive R: is not mapped: the test set-up could not mount a read-only drive";
    }
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    Program program(exe_, L"R:\\", install_.Path());
    const std::wstring shown = AnswerFailure(program);
    EXPECT_NE(shown.find(L"R:\\\\"), std::wstring::npos) << testing::PrintToString(shown);
    EXPECT_TRUE(program.Ended());
    EXPECT_TRUE(FilesIn(L"R:").empty());
    ExpectNoTemporaryFileLeft();
}

TEST_F(PellixProgram, TheAboutBoxShowsTheVersionAndClosesWithEscOrEnter) {
    Program program(exe_, L"", install_.Path());
    HWND main = program.Window(L"Pellix");
    ASSERT_NE(main, nullptr);
    for (const WPARAM key : {VK_ESCAPE, VK_RETURN}) {
        PostMessageW(main, WM_COMMAND, mnuOver, 0);
        HWND about = program.Window(L"About Pellix");
        ASSERT_NE(about, nullptr);
        EXPECT_FALSE(IsWindowEnabled(main)) << "modal";
        EXPECT_EQ(TextOf(GetDlgItem(about, 102)), L"Version 1.0.0");
        HWND ok = GetDlgItem(about, IDOK);
        PostMessageW(ok, WM_KEYDOWN, key, 0);
        for (int i = 0; i < 100 && IsWindow(about); ++i) {
            Sleep(20);
        }
        EXPECT_FALSE(IsWindow(about));
        EXPECT_TRUE(IsWindowEnabled(main));
    }
    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.Ended());
}

// The test set-up maps drive T: to a folder of its own.
TEST_F(PellixProgram, ADriveRootIsScannedIntoWithoutAFolderName) {
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    ASSERT_NE(GetFileAttributesW(L"T:\\"), INVALID_FILE_ATTRIBUTES) << "drive T: is not mapped";
    for (const std::wstring& name : FilesIn(L"T:", L"*.jpg")) {
        DeleteFileW((L"T:\\" + name).c_str());
    }
    Settings("AskForFilename=True\r\nFilenameUseDate=True\r\nFilenameUseFolder=True\r\n");
    Program program(exe_, L"T:\\", install_.Path());
    std::wstring proposal;
    AnswerPrompt(program, nullptr, L"OK", &proposal);
    EXPECT_TRUE(std::regex_match(proposal, std::wregex(L"\\d{9,14}-")))
        << testing::PrintToString(proposal);
    ASSERT_TRUE(program.Ended());
    const std::vector<std::wstring> written = FilesIn(L"T:", L"*.jpg");
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written[0], proposal + L".jpg");
    ExpectNoTemporaryFileLeft();
}

} // namespace
} // namespace pellix
