// The whole road: registered like any shell extension, created by class
// identifier, set up on a folder and picked; the real Pellix.exe scans a
// page from the virtual scanner into that folder.
#include "tests/shellext/system_support.h"
#include "tests/support/environment.h"
#include "tests/support/temp_folder.h"

#include <tlhelp32.h>
#include <windows.h>

#include <gtest/gtest.h>

namespace pellix::test {
namespace {

std::vector<std::wstring> JpegsIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.jpg").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            names.push_back(data.cFileName);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    return names;
}

// Waits for every running process started from exe to end.
bool EndOf(const std::wstring& exe) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    bool ended = true;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                     entry.th32ProcessID);
        if (!process) {
            continue;
        }
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        if (QueryFullProcessImageNameW(process, 0, image, &size) &&
            _wcsicmp(image, exe.c_str()) == 0) {
            ended = ended && WaitForSingleObject(process, 60000) == WAIT_OBJECT_0;
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    return ended;
}

TEST(ShellextWholeRoad, PickingTheCommandScansAPageIntoTheFolder) {
    ComApartment com;
    TempFolder install(L"pellix-road"), temp(L"pellix-road-temp"), scans(L"Road Scans");
    const std::wstring exe = install.Join(L"Pellix.exe");
    ASSERT_TRUE(CopyFileW(WindowsPath(PELLIX_EXE).c_str(), exe.c_str(), FALSE));
    AppToStart appToStart;
    appToStart.Set(exe);
    ScannerSettings scanner{{L"PELLIX_VSCAN_ANSWER", L"scan"}};
    Environment environment{{L"TMP", temp.Path().c_str()}, {L"TEMP", temp.Path().c_str()}};

    Extension extension;
    ASSERT_EQ(extension.RegisterServer(), S_OK);
    {
        com_ptr<IShellExtInit> init;
        ASSERT_EQ(CoCreateInstance(kHandlerClassId, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IShellExtInit, init.put_void()),
                  S_OK);
        IdList folder(scans.Path());
        com_ptr<IContextMenu> menu = Prepared(std::move(init), folder.get(), nullptr);
        ASSERT_TRUE(menu);
        EXPECT_EQ(Invoke(*menu.get(), MAKEINTRESOURCEA(0)), S_OK);
    }
    EXPECT_TRUE(Eventually([&] { return !JpegsIn(scans.Path()).empty(); }));
    EXPECT_TRUE(EndOf(exe));
    const std::vector<std::wstring> jpegs = JpegsIn(scans.Path());
    ASSERT_EQ(jpegs.size(), 1u);
    EXPECT_EQ(ReadBytes(scans.Join(jpegs[0])).substr(0, 3), "\xFF\xD8\xFF");
    EXPECT_EQ(extension.UnregisterServer(), S_OK);
}

} // namespace
} // namespace pellix::test
