// Checks an installed Pellix from inside the Wine prefix it was installed
// into; run by installer_test.sh (and "road" by scripts/pellix-to-here.sh).
//
//   installed_check road FOLDER     as Explorer does: the handler by class
//                                   identifier on FOLDER, picked; waits
//                                   for one more JPEG in FOLDER
//   installed_check help PELLIX_EXE the main window's Help command
//   installed_check write FILE      appends an empty line, as a user may
#include "app/mainwindow/main_window.h"
#include "shellext/class_id.h"
#include "tests/shellext/extension.h"
#include "tests/support/pellix_process.h"

#include <cstdio>

namespace {

using namespace pellix;
using namespace pellix::test;

// Pellix writes each JPEG under a temporary name and renames it when
// complete, so a counted file is whole.
int Road(const std::wstring& folder) {
    ComApartment com;
    const size_t before = FilesIn(folder, L"*.jpg").size();
    com_ptr<IShellExtInit> init;
    const HRESULT created =
        CoCreateInstance(shellext::kHandlerClassId, nullptr, CLSCTX_INPROC_SERVER,
                         IID_IShellExtInit, init.put_void());
    const IdList list(folder);
    com_ptr<IContextMenu> menu = Prepared(std::move(init), list.get(), nullptr);
    if (!menu || FAILED(Invoke(*menu.get(), MAKEINTRESOURCEA(0)))) {
        std::fprintf(stderr, "the handler refused the folder (creation: 0x%08lx)\n",
                     static_cast<unsigned long>(created));
        return 1;
    }
    return Eventually([&] { return FilesIn(folder, L"*.jpg").size() > before; }) ? 0 : 1;
}

int Help(const std::wstring& exe) {
    const Program pellix(exe, L"", L"C:\\");
    const HWND main = pellix.Window(L"Pellix");
    if (!main) {
        return 1;
    }
    PostMessageW(main, WM_COMMAND, mnuContents, 0);
    Sleep(3000); // time for the viewer to be started
    PostMessageW(main, WM_CLOSE, 0, 0);
    pellix.Ended(20000); // or it is ended when pellix goes
    return 0;
}

int Write(const std::wstring& file) {
    HANDLE opened = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    DWORD written = 0;
    const bool ok = WriteFile(opened, "\r\n", 2, &written, nullptr) && written == 2;
    CloseHandle(opened);
    return ok ? 0 : 1;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc == 3 ? argv[1] : L"";
    if (mode == L"road" || mode == L"help" || mode == L"write") {
        return mode == L"road" ? Road(argv[2]) : mode == L"help" ? Help(argv[2]) : Write(argv[2]);
    }
    std::fprintf(stderr, "usage: installed_check road FOLDER | help PELLIX_EXE | write FILE\n");
    return 2;
}
