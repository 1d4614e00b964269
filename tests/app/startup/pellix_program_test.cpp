// Pellix.exe as a user meets it, on the virtual scanner, and the long runs
// (Soak). Each test runs a private copy, so that its Pellix.ini is the test's.
#include "app/mainwindow/main_window.h"
#include "app/startup/app_state.h"
#include "app/startup/scan_naming.h"
#include "app/startup/scan_workflow.h"
#include "tests/support/dialog_robot.h"
#include "tests/support/environment.h"
#include "tests/support/pellix_process.h"
#include "tests/support/picture_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <regex>
#include <span>

namespace pellix {
namespace {

using Contents = std::map<std::wstring, std::string>;

Contents ContentsOf(const std::wstring& folder) {
    Contents contents;
    for (const std::wstring& name : test::FilesIn(folder)) {
        contents[name] = test::ReadBytes(folder + L"\\" + name);
    }
    return contents;
}

class PellixProgram : public testing::Test {
protected:
    test::TempFolder install_{L"pellix-program"}, temp_{L"pellix-temp"}, scans_{L"My Scans"};
    std::wstring exe_ = install_.Join(L"Pellix.exe"), ini_ = install_.Join(L"Pellix.ini");
    test::Environment environment_{{L"TMP", temp_.Path().c_str()}, {L"TEMP", temp_.Path().c_str()}};
    test::ScannerSettings scanner_{{L"PELLIX_VSCAN_ANSWER", L"scan"}};

    void SetUp() override {
        ASSERT_TRUE(CopyFileW(test::WindowsPath(PELLIX_EXE).c_str(), exe_.c_str(), FALSE));
    }
    // Runs the program on `folder`; with `typed`, answers the filename prompt
    // with it and `button` (null: the close box). Gives proposal and message.
    // `meanwhile` runs while the prompt waits.
    std::pair<std::wstring, std::wstring> Run(const std::wstring& folder,
                                              const std::string& settings, const wchar_t* typed,
                                              const wchar_t* button = L"OK",
                                              const std::function<void()>& meanwhile = {}) {
        test::WriteBytes(ini_, "[Quality]\r\n" + settings);
        test::Program program(exe_, folder, install_.Path());
        std::wstring proposal, message = L"(none)";
        if (typed) {
            HWND prompt = program.Window(L"Pellix filename");
            EXPECT_TRUE(prompt && (GetWindowLongW(prompt, GWL_EXSTYLE) & WS_EX_TOPMOST) &&
                        GetWindow(prompt, GW_OWNER))
                << "a topmost prompt, owned so that it has no taskbar button";
            HWND edit = FindWindowExW(prompt, nullptr, L"Edit", nullptr);
            proposal = test::TextOf(edit);
            if (meanwhile) {
                meanwhile();
            }
            if (*typed) {
                SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed));
            }
            PostMessageW(button ? FindWindowExW(prompt, nullptr, L"Button", button) : prompt,
                         button ? BM_CLICK : WM_CLOSE, 0, 0);
        }
        if (HWND box = program.Window(L"Pellix")) {
            message = test::MessageBoxText(box);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
        EXPECT_TRUE(program.Ended() && program.ExitCode() == 0) << "exit " << program.ExitCode();
        EXPECT_EQ(test::FilesIn(temp_.Path()).size(), 0u) << "a temporary file is left";
        EXPECT_EQ(test::ReadBytes(ini_), "[Quality]\r\n" + settings) << "settings changed";
        return {proposal, message};
    }
};

// Earlier scans hold every automatic name of the next minute. An automatic
// name (no prompt; an empty answer, Cancel, the close box) gets a number; a
// typed name gets ".jpg" and replaces an older file. A drive root (T:, mapped
// by the test set-up) has no folder name.
TEST_F(PellixProgram, TheAnswerOrTheClockNamesTheFile) {
    ULARGE_INTEGER now;
    GetSystemTimeAsFileTime(reinterpret_cast<FILETIME*>(&now));
    for (int s = 0; s < 60; ++s, now.QuadPart += 10000000) {
        FILETIME local;
        SYSTEMTIME t;
        FileTimeToLocalFileTime(reinterpret_cast<FILETIME*>(&now), &local);
        FileTimeToSystemTime(&local, &t);
        const LocalTime stamp{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
        test::WriteBytes(scans_.Join(StampName(DateTimeStamp(stamp))), "earlier");
    }
    test::WriteBytes(scans_.Join(L"Receipt.jpg"), "earlier");
    const std::string ask = "AskForFilename=True\r\n", date = ask + "FilenameUseDate=True\r\n",
                      both = date + "FilenameUseFolder=True\r\n";
    const wchar_t *automatic = L"\\d{9,14}-Pellix \\(\\d\\)\\.jpg", *stamp = L"\\d{9,14}";
    const std::tuple<std::wstring, std::string, const wchar_t*, const wchar_t*, const wchar_t*,
                     std::wstring>
        rows[] = {{scans_.Path(), both, L"", L"OK", L"\\d{9,14}-My Scans-\\d+",
                   L"\\d{9,14}-My Scans-\\d+\\.jpg"},
                  {scans_.Path(), date, L"", L"Cancel", stamp, automatic},
                  {scans_.Path(), date, L"", nullptr, stamp, automatic},
                  {scans_.Path(), "", nullptr, nullptr, L"", automatic},
                  {scans_.Path(), ask, L"Receipt", L"OK", L"", L"Receipt\\.jpg"},
                  {L"T:\\", both, L"", L"OK", L"\\d{9,14}-", L"\\d{9,14}-\\.jpg"}};
    for (const auto& [folder, settings, typed, button, proposal, written] : rows) {
        SCOPED_TRACE(testing::PrintToString(folder + L" " + written));
        const std::wstring into = folder == L"T:\\" ? L"T:" : scans_.Path();
        const Contents before = ContentsOf(into);
        const auto [proposed, message] = Run(folder, settings, typed, button);
        EXPECT_TRUE(std::regex_match(proposed, std::wregex(proposal)))
            << testing::PrintToString(proposed);
        std::vector<std::wstring> changed;
        for (const auto& [name, bytes] : ContentsOf(into)) {
            if (!before.count(name) || before.at(name) != bytes) {
                changed.push_back(name);
            }
        }
        ASSERT_EQ(changed.size(), 1u);
        EXPECT_TRUE(std::regex_match(changed[0], std::wregex(written)))
            << testing::PrintToString(changed[0]);
        EXPECT_EQ(message, L"(none)");
    }
}

// No earlier byte is lost: a cancelled or failed scan ends quietly; a failed
// write (a read-only file of the typed name, a full drive S:, a read-only R:,
// mounted by scripts/fault-drives.sh where it may) is reported.
TEST_F(PellixProgram, NothingIsHalfWrittenAndNoEarlierByteLost) {
    const std::wstring receipt = scans_.Join(L"Receipt.jpg");
    test::WriteBytes(receipt, "earlier scan");
    const bool drives = GetFileAttributesW(L"S:\\") != INVALID_FILE_ATTRIBUTES &&
                        GetFileAttributesW(L"R:\\") != INVALID_FILE_ATTRIBUTES;
    if (drives) {
        DeleteFileW(L"S:\\filler.bin");
        test::WriteBytes(L"S:\\earlier.jpg", "earlier scan");
        // One file takes all the room that is left.
        EXPECT_ANY_THROW(test::WriteBytes(L"S:\\filler.bin", std::string(1 << 20, 'f')));
    }
    SetFileAttributesW(receipt.c_str(), FILE_ATTRIBUTE_READONLY);
    // The transfer is in strips: a failing scanner fails after the first one.
    const std::tuple<std::wstring, const wchar_t*, const wchar_t*, std::wstring, const wchar_t*>
        rows[] = {{scans_.Path(), L"cancel", nullptr, L"(none)", L""},
                  {scans_.Path(), L"fail", nullptr, L"(none)", L""},
                  {scans_.Path(), L"scan", L"Receipt", receipt, L""},
                  {L"S:\\", L"scan", L"", L"S:\\\\", L"the disk is full"},
                  {L"S:\\", L"scan", L"earlier", L"S:\\\\earlier.jpg", L"the disk is full"},
                  {L"R:\\", L"scan", L"", L"R:\\\\", L""}};
    for (const auto& [folder, answer, typed, named, reason] : std::span(rows, drives ? 6 : 3)) {
        SCOPED_TRACE(testing::PrintToString(folder + L" " + answer + L" " + named));
        test::ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", answer},
                                      {L"PELLIX_VSCAN_XFER", L"memory"}};
        const std::wstring into = folder.size() == 3 ? folder.substr(0, 2) : folder;
        const Contents before = ContentsOf(into);
        const std::wstring message = Run(folder, "AskForFilename=True\r\n", typed).second;
        EXPECT_NE(message.find(named), std::wstring::npos) << testing::PrintToString(message);
        EXPECT_NE(message.find(reason), std::wstring::npos) << testing::PrintToString(message);
        EXPECT_EQ(ContentsOf(into), before) << "earlier bytes lost";
    }
    DeleteFileW(L"S:\\filler.bin");
    if (!drives) {
        GTEST_SKIP() << "drives S: and R: are not mapped: the test set-up could not mount them";
    }
}

// A folder deleted while the prompt waits is reported, and not made again.
TEST_F(PellixProgram, AFolderDeletedBeforeTheWriteIsReportedAndNotMadeAgain) {
    const std::wstring message = Run(scans_.Path(), "AskForFilename=True\r\n", L"page", L"OK", [&] {
                                     test::RemoveTree(scans_.Path());
                                 }).second;
    EXPECT_NE(message.find(scans_.Join(L"page.jpg")), std::wstring::npos)
        << testing::PrintToString(message);
    EXPECT_FALSE(test::FileExists(scans_.Path()));
}

// Without a TWAIN source manager (Wine's switched off for this program) it
// says so and ends.
TEST_F(PellixProgram, WithoutTwainItSaysSoAndEnds) {
    const wchar_t* key = L"Software\\Wine\\AppDefaults\\Pellix.exe";
    RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(key) + L"\\DllOverrides").c_str(), L"twain_32",
                    REG_SZ, L"", sizeof(wchar_t));
    const std::wstring message = Run(scans_.Path(), "", nullptr).second;
    RegDeleteTreeW(HKEY_CURRENT_USER, key);
    EXPECT_EQ(message, L"There is no TWAIN compatible device on this machine!");
    EXPECT_TRUE(test::FilesIn(scans_.Path()).empty());
}

// The long runs: PELLIX_SOAK_COUNT each (20 by default; scripts/soak.sh runs
// 200), with their figures on "soak:" lines.
const int kCount = _wtoi(_wgetenv(L"PELLIX_SOAK_COUNT") ? _wgetenv(L"PELLIX_SOAK_COUNT") : L"20");

class Soak : public PellixProgram {};

// Every unattended run into one folder adds a whole JPEG of the page.
TEST_F(Soak, UnattendedRunsIntoOneFolderWriteOneWholeFileEach) {
    for (int run = 1; run <= kCount; ++run) {
        ASSERT_EQ(Run(scans_.Path(), "", nullptr).second, L"(none)") << "run " << run;
        ASSERT_EQ(test::FilesIn(scans_.Path()).size(), static_cast<size_t>(run)) << "run " << run;
    }
    int numbered = 0;
    for (const std::wstring& name : test::FilesIn(scans_.Path())) {
        numbered += name.find(L" (") != std::wstring::npos;
        const auto jpeg = test::DecodeJpeg(test::ReadFile(scans_.Join(name)));
        EXPECT_TRUE(jpeg && jpeg->width == 157) << testing::PrintToString(name);
    }
    std::printf("soak: %d unattended runs into one folder, %d names numbered\n", kCount, numbered);
}

// What this process holds. Wine answers 0 to the system's counters, so the
// tables are walked (GDI and USER indices without their generation).
const char* const kHeld[] = {"kernel handles", "GDI objects", "USER objects", "private KB"};

std::vector<long long> Holdings() {
    std::vector<long long> h(4);
    for (ULONG_PTR i = 1; i < 0x10000; ++i) {
        DWORD flags = 0, process = 0;
        h[0] += i % 4 == 0 && GetHandleInformation(reinterpret_cast<HANDLE>(i), &flags);
        h[1] += GetObjectType(reinterpret_cast<HGDIOBJ>(i)) != 0;
        GetWindowThreadProcessId(reinterpret_cast<HWND>(i), &process);
        h[2] += i >= 0x20 && i % 2 == 0 &&
                (process == GetCurrentProcessId() || IsMenu(reinterpret_cast<HMENU>(i)));
    }
    MEMORY_BASIC_INFORMATION r;
    for (BYTE* at = nullptr; VirtualQuery(at, &r, sizeof r);
         at = static_cast<BYTE*>(r.BaseAddress) + r.RegionSize) {
        h[3] += r.State == MEM_COMMIT && r.Type == MEM_PRIVATE ? r.RegionSize / 1024 : 0;
    }
    return h;
}

// A main window scans and saves as JPEG, GIF and bitmap in turn. After 5
// warm-up cycles no count grows by more than 2, memory by more than 512 KB.
TEST_F(Soak, ScanAndSaveCyclesInOneMainWindowHoldNoMoreHandlesOrMemory) {
    CurrentFolder = scans_.Path();
    MainWindow window;
    ASSERT_TRUE(window.Load());
    window.Show(SW_SHOWNORMAL);
    const wchar_t* const kKinds[] = {L".jpg", L".gif", L".bmp"};
    std::vector<long long> before;
    for (int n = -5; n < kCount; ++n) {
        before = n == 0 ? Holdings() : before;
        window.Run(mnuScan);
        const std::wstring name = scans_.Join(std::to_wstring(n) + kKinds[(n + 6) % 3]);
        ASSERT_TRUE(WriteScan(window.Handle(), name, PictureKindOf(name))) << name;
    }
    const std::vector<long long> after = Holdings();
    std::printf("soak: %d scan-and-save cycles in one main window:", kCount);
    for (int i = 0; i < 4; ++i) {
        std::printf(" %s %lld -> %lld", kHeld[i], before[i], after[i]);
        EXPECT_LE(after[i], before[i] + (i < 3 ? 2 : 512)) << kHeld[i];
    }
    std::printf("\n");
    EXPECT_EQ(test::FilesIn(temp_.Path()).size(), 1u) << "only the last scan's file";
    EXPECT_EQ(test::FilesIn(scans_.Path()).size(), kCount + 5u);
    DeleteFileW(ScanFile.c_str());
}

} // namespace
} // namespace pellix
