// Long runs: many unattended runs of Pellix.exe into one folder, and one
// main window scanning and saving again and again. PELLIX_SOAK_COUNT says how
// many (20 by default, as the test suite runs them; scripts/soak.sh runs 200).
// Each test prints its figures on lines starting with "soak:".
#include "app/mainwindow/main_window.h"
#include "app/settings/settings.h"
#include "app/startup/app_state.h"
#include "tests/support/dialog_robot.h"
#include "tests/support/environment.h"
#include "tests/support/pellix_process.h"
#include "tests/support/picture_support.h"
#include "tests/support/temp_folder.h"

#include <windows.h>

#include <commdlg.h>
#include <psapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <regex>
#include <string>
#include <vector>

namespace pellix {
namespace {

using test::FilesIn;
using test::ScannerSettings;
using test::TempFolder;

int SoakCount() {
    wchar_t text[32] = {};
    if (GetEnvironmentVariableW(L"PELLIX_SOAK_COUNT", text, 32) > 0) {
        const int count = _wtoi(text);
        if (count > 0) {
            return count;
        }
    }
    return 20;
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::vector<std::uint8_t> Bytes(const std::wstring& path) {
    const std::string text = test::ReadBytes(path);
    return {text.begin(), text.end()};
}

TEST(Soak, UnattendedRunsIntoOneFolderWriteOneWholeFileEach) {
    const int runs = SoakCount();
    TempFolder install{L"pellix-soak-program"};
    TempFolder temp{L"pellix-soak-temp"};
    TempFolder scans{L"pellix soak scans"};
    const std::wstring exe = install.Join(L"Pellix.exe");
    ASSERT_TRUE(CopyFileW(test::WindowsPath(PELLIX_EXE).c_str(), exe.c_str(), FALSE));
    test::Environment environment{{L"TMP", temp.Path().c_str()}, {L"TEMP", temp.Path().c_str()}};
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};

    const auto start = std::chrono::steady_clock::now();
    for (int run = 1; run <= runs; ++run) {
        test::Program program(exe, scans.Path(), install.Path());
        ASSERT_TRUE(program.Started());
        ASSERT_TRUE(program.Ended(60000)) << "run " << run;
        ASSERT_EQ(program.ExitCode(), 0u) << "run " << run;
        ASSERT_EQ(FilesIn(scans.Path()).size(), static_cast<size_t>(run)) << "run " << run;
    }
    const double seconds = SecondsSince(start);

    // Runs within one second share a stamp: " (2)", " (3)", ... keep them
    // apart. Every file is a whole JPEG of the page.
    const std::wregex name(L"\\d{9,14}-Pellix( \\(\\d+\\))?\\.jpg");
    const std::vector<std::wstring> written = FilesIn(scans.Path());
    size_t numbered = 0;
    for (const std::wstring& file : written) {
        EXPECT_TRUE(std::regex_match(file, name)) << testing::PrintToString(file);
        numbered += file.find(L" (") != std::wstring::npos;
        const auto jpeg = test::DecodeJpeg(Bytes(scans.Join(file)));
        ASSERT_TRUE(jpeg) << testing::PrintToString(file);
        EXPECT_NEAR(jpeg->width, 157, 1);
    }
    EXPECT_EQ(written.size(), static_cast<size_t>(runs));
    EXPECT_TRUE(FilesIn(scans.Path(), L"~pellix*").empty()) << "no writer's temporary file";
    EXPECT_TRUE(FilesIn(temp.Path()).empty()) << "no scan file left";
    std::printf("soak: %d unattended runs into one folder in %.1f s: %zu files (%zu with a number "
                "added), %zu temporary files left\n",
                runs, seconds, written.size(), numbered,
                FilesIn(temp.Path()).size() + FilesIn(scans.Path(), L"~pellix*").size());
}

// What a process holds. Under Wine GetProcessHandleCount and GetGuiResources
// answer 0, and the private-bytes counter too; then the handle tables are
// walked instead: every kernel handle value, every GDI handle index (Wine
// takes an index without its generation) and every USER handle index (the
// windows and menus of this process).
struct Holdings {
    DWORD handles = 0;
    DWORD gdi = 0;
    DWORD user = 0;
    SIZE_T privateBytes = 0;
    const char* how = "system counters";
};

DWORD KernelHandlesByWalk() {
    DWORD count = 0;
    for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        count += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    return count;
}

DWORD GdiObjectsByWalk() {
    DWORD count = 0;
    for (ULONG_PTR index = 1; index < 0x10000; ++index) {
        count += GetObjectType(reinterpret_cast<HGDIOBJ>(index)) ? 1 : 0;
    }
    return count;
}

DWORD UserObjectsByWalk() {
    DWORD count = 0;
    const DWORD self = GetCurrentProcessId();
    for (ULONG_PTR index = 0x20; index < 0x10000; index += 2) {
        const HWND window = reinterpret_cast<HWND>(index);
        if (IsWindow(window)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            count += owner == self ? 1 : 0;
        } else if (IsMenu(reinterpret_cast<HMENU>(index))) {
            ++count;
        }
    }
    return count;
}

SIZE_T CommittedPrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    const BYTE* at = nullptr;
    while (VirtualQuery(at, &region, sizeof region) == sizeof region) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) {
            total += region.RegionSize;
        }
        at = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize;
    }
    return total;
}

Holdings Measure() {
    const HANDLE self = GetCurrentProcess();
    Holdings h;
    GetProcessHandleCount(self, &h.handles);
    h.gdi = GetGuiResources(self, GR_GDIOBJECTS);
    h.user = GetGuiResources(self, GR_USEROBJECTS);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    h.privateBytes = memory.PrivateUsage;
    if (h.handles == 0 || h.gdi == 0 || h.user == 0 || h.privateBytes == 0) {
        h.how = "walked handle tables, committed private memory";
        h.handles = KernelHandlesByWalk();
        h.gdi = GdiObjectsByWalk();
        h.user = UserObjectsByWalk();
        h.privateBytes = CommittedPrivateBytes();
    }
    return h;
}

class SoakMainWindow : public testing::Test {
protected:
    void SetUp() override {
        ScanFile.clear();
        WorkSaved = false;
        gSettings = Settings{};
        CurrentFolder = folder_.Path();
        ASSERT_TRUE(window_.Load());
        window_.Show(SW_SHOWNORMAL);
    }
    void TearDown() override {
        if (!ScanFile.empty()) {
            DeleteFileW(ScanFile.c_str());
        }
    }

    // One scan, then Save as through the real dialog, in turn as JPEG, GIF
    // and bitmap.
    void Cycle(int n) {
        static const wchar_t* const kExtensions[] = {L".jpg", L".gif", L".bmp"};
        const std::wstring name = L"page " + std::to_wstring(n) + kExtensions[n % 3];
        {
            ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
            window_.Run(mnuScan);
        }
        ASSERT_FALSE(ScanFile.empty()) << "cycle " << n;
        test::DialogRobot robot;
        robot.Then(test::AnswerFileDialog(window_.Handle(), name));
        window_.Run(mnuOpslaanAls);
        ASSERT_TRUE(robot.Done()) << "cycle " << n;
        ASSERT_TRUE(WorkSaved) << "cycle " << n;
        ASSERT_TRUE(test::FileExists(folder_.Join(name))) << "cycle " << n;
    }

    // The same number of Save as dialogs, confirmed, without the window:
    // what the system's dialog itself keeps (Wine's keeps one kernel handle
    // per confirmed dialog).
    void BareDialogs(int count) {
        for (int n = 0; n < count; ++n) {
            test::DialogRobot robot;
            robot.Then(test::AnswerFileDialog(window_.Handle(), L"bare dialog.bmp"));
            wchar_t file[MAX_PATH] = {};
            OPENFILENAMEW dialog{};
            dialog.lStructSize = sizeof dialog;
            dialog.hwndOwner = window_.Handle();
            dialog.lpstrFile = file;
            dialog.nMaxFile = MAX_PATH;
            dialog.lpstrInitialDir = folder_.Path().c_str();
            dialog.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
            ASSERT_TRUE(GetSaveFileNameW(&dialog));
            ASSERT_TRUE(robot.Done());
        }
    }

    TempFolder temp_{L"pellix-soak-window-temp"};
    test::Environment environment_{{L"TMP", temp_.Path().c_str()}, {L"TEMP", temp_.Path().c_str()}};
    TempFolder folder_{L"pellix soak saves"};
    MainWindow window_;
};

// The first cycles load what stays loaded (the file dialog and what it
// uses, the encoders); after them, further cycles must not add handles,
// GDI or USER objects beyond what the system's own dialog keeps, and not a
// page's worth of memory (the page is 157 x 98 pixels, 46 KB as a bitmap)
// per cycle.
TEST_F(SoakMainWindow, ScanAndSaveCyclesHoldNoMoreHandlesOrMemory) {
    constexpr int kWarmUp = 5;
    const int cycles = SoakCount();
    for (int n = 1; n <= kWarmUp; ++n) {
        ASSERT_NO_FATAL_FAILURE(Cycle(n));
    }
    const Holdings before = Measure();
    const auto start = std::chrono::steady_clock::now();
    for (int n = kWarmUp + 1; n <= kWarmUp + cycles; ++n) {
        ASSERT_NO_FATAL_FAILURE(Cycle(n));
    }
    const double seconds = SecondsSince(start);
    const Holdings after = Measure();
    ASSERT_NO_FATAL_FAILURE(BareDialogs(cycles));
    const Holdings dialogs = Measure();
    const auto grown = [](DWORD from, DWORD to) {
        return static_cast<long>(to) - long(from);
    };

    std::printf("soak: %d scan-and-save cycles in one main window in %.1f s (%s)\n", cycles,
                seconds, after.how);
    std::printf("soak:   kernel handles %lu -> %lu, GDI objects %lu -> %lu, USER objects %lu -> "
                "%lu, private bytes %llu KB -> %llu KB\n",
                before.handles, after.handles, before.gdi, after.gdi, before.user, after.user,
                static_cast<unsigned long long>(before.privateBytes / 1024),
                static_cast<unsigned long long>(after.privateBytes / 1024));
    std::printf("soak:   the same number of bare Save as dialogs: kernel handles %+ld, GDI %+ld, "
                "USER %+ld\n",
                grown(after.handles, dialogs.handles), grown(after.gdi, dialogs.gdi),
                grown(after.user, dialogs.user));
    constexpr long kSlack = 2;
    EXPECT_LE(grown(before.handles, after.handles),
              std::max(0L, grown(after.handles, dialogs.handles)) + kSlack);
    EXPECT_LE(grown(before.gdi, after.gdi), std::max(0L, grown(after.gdi, dialogs.gdi)) + kSlack);
    EXPECT_LE(grown(before.user, after.user),
              std::max(0L, grown(after.user, dialogs.user)) + kSlack);
    EXPECT_LE(after.privateBytes, before.privateBytes + 512 * 1024);
    EXPECT_EQ(FilesIn(temp_.Path()).size(), 1u) << "only the last scan's file";
    EXPECT_TRUE(FilesIn(folder_.Path(), L"~pellix*").empty());
    EXPECT_EQ(FilesIn(folder_.Path()).size(), static_cast<size_t>(kWarmUp + cycles));
}

} // namespace
} // namespace pellix
