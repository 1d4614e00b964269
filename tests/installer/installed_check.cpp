// Checks an installed Pellix from inside the Wine prefix it was installed
// into; run by installer_test.sh.
//
//   installed_check road FOLDER     as Explorer does: the handler by class
//                                   identifier on FOLDER, picked; waits
//                                   for one more JPEG in FOLDER
//   installed_check help PELLIX_EXE the main window's Help command
//   installed_check write FILE      appends an empty line, as a user may
#include "app/mainwindow/main_window.h"
#include "shellext/class_id.h"
#include "tests/shellext/system_support.h"

#include <windows.h>

#include <cstdio>

namespace {

using namespace pellix;
using namespace pellix::test;

// JPEG files in the folder. Pellix writes each under a temporary name and
// renames it when complete, so a counted file is whole.
int JpegCount(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*.jpg").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) {
        return 0;
    }
    int count = 0;
    do {
        ++count;
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return count;
}

int Road(const std::wstring& folder) {
    ComApartment com;
    const int before = JpegCount(folder);
    com_ptr<IShellExtInit> init;
    const HRESULT created =
        CoCreateInstance(shellext::kHandlerClassId, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IShellExtInit, init.put_void());
    if (FAILED(created)) {
        std::fprintf(stderr, "CoCreateInstance: 0x%08lx\n", static_cast<unsigned long>(created));
        return 1;
    }
    IdList list(folder);
    com_ptr<IContextMenu> menu = Prepared(std::move(init), list.get(), nullptr);
    if (!menu || FAILED(Invoke(*menu.get(), MAKEINTRESOURCEA(0)))) {
        std::fprintf(stderr, "the handler refused the folder\n");
        return 1;
    }
    if (!Eventually([&] { return JpegCount(folder) > before; })) {
        std::fprintf(stderr, "no JPEG appeared\n");
        return 1;
    }
    return 0;
}

int Help(const std::wstring& exe) {
    std::wstring line = L"\"" + exe + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return 1;
    }
    WaitForInputIdle(process.hProcess, 20000);
    HWND main = nullptr;
    Eventually([&] {
        main = FindWindowW(L"PellixMainWindow", L"Pellix");
        return main != nullptr;
    });
    if (main) {
        PostMessageW(main, WM_COMMAND, mnuContents, 0);
        Sleep(3000);
        PostMessageW(main, WM_CLOSE, 0, 0);
    }
    if (WaitForSingleObject(process.hProcess, 20000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return main ? 0 : 1;
}

int Write(const std::wstring& file) {
    HANDLE opened = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open for writing: error %lu\n", GetLastError());
        return 1;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(opened, "\r\n", 2, &written, nullptr);
    CloseHandle(opened);
    return ok && written == 2 ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && std::wstring(argv[1]) == L"road") {
        return Road(argv[2]);
    }
    if (argc == 3 && std::wstring(argv[1]) == L"help") {
        return Help(argv[2]);
    }
    if (argc == 3 && std::wstring(argv[1]) == L"write") {
        return Write(argv[2]);
    }
    std::fprintf(stderr, "usage: installed_check road FOLDER | help PELLIX_EXE | write FILE\n");
    return 2;
}
