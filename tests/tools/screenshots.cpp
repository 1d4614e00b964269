// Takes the pictures of the README: runs Pellix.exe with the virtual
// scanner, opens each window in turn and saves it as a bitmap.
// Usage: pellix_screenshots PELLIX_EXE OUTPUT_FOLDER
#include "app/mainwindow/main_window.h"
#include "app/settings/options_dialog.h"
#include "tests/support/pellix_process.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace {

using namespace pellix;

std::wstring out;
bool ok = true;

// Saves the window of `program` with this caption as it shows on the screen,
// once it has painted, as a 24-bit bitmap file; then posts `message` and `w`
// to it. Gives the window.
HWND Capture(const test::Program& program, const wchar_t* title, const wchar_t* name,
             UINT message = WM_NULL, WPARAM w = 0) {
    HWND window = program.Window(title);
    RECT r{};
    Sleep(700);
    if (!window || !GetWindowRect(window, &r)) {
        std::fwprintf(stderr, L"no window \"%ls\"\n", title);
        ok = false;
        return nullptr;
    }
    const LONG width = r.right - r.left, height = r.bottom - r.top;
    BITMAPINFOHEADER info{sizeof info, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info,
                size = (width * 3 + 3) / 4 * 4 * height;
    const BITMAPFILEHEADER file{0x4d42, offset + size, 0, 0, offset};
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info).append(size, '\0');
    HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    SelectObject(memory, old);
    GetDIBits(memory, bitmap, 0, height, bytes.data() + offset,
              reinterpret_cast<BITMAPINFO*>(&info), 0);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    ok &= bool(std::ofstream(std::filesystem::path(out + name), std::ios::binary) << bytes);
    PostMessageW(window, message, w, 0);
    return window;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: pellix_screenshots PELLIX_EXE OUTPUT_FOLDER\n");
        return 2;
    }
    out = std::wstring(argv[2]) + L"\\";
    SetEnvironmentVariableW(L"PELLIX_VSCAN_ANSWER", L"scan");
    SetEnvironmentVariableW(L"PELLIX_VSCAN_DPI", L"75");
    // The main window with a page, the Options dialog on both tabs, the
    // About box and the close question.
    test::Program program(argv[1], L"", L"");
    HWND main = program.Window(L"Pellix");
    PostMessageW(main, WM_COMMAND, mnuScan, 0);
    Sleep(3000);
    Capture(program, L"Pellix", L"main-window.bmp", WM_COMMAND, mnuOpties);
    HWND options = Capture(program, L"Pellix - Options", L"options-quality.bmp");
    PostMessageW(GetDlgItem(options, kOptionsTabId), WM_KEYDOWN, VK_RIGHT, 0);
    Capture(program, L"Pellix - Options", L"options-filename.bmp", WM_COMMAND, IDCANCEL);
    Sleep(300);
    PostMessageW(main, WM_COMMAND, mnuOver, 0);
    Capture(program, L"About Pellix", L"about.bmp", WM_COMMAND, IDOK);
    Sleep(300);
    PostMessageW(main, WM_CLOSE, 0, 0);
    Capture(program, L"Pellix beeindigen", L"close-question.bmp", WM_COMMAND, IDYES);
    program.Ended(10000);
    // The filename prompt of a scan into a folder (the settings beside the
    // program ask for it).
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / L"Scans";
    std::filesystem::create_directories(folder);
    test::Program run(argv[1], folder.wstring(), L"");
    Capture(run, L"Pellix filename", L"filename-prompt.bmp", WM_CLOSE);
    run.Ended(10000);
    return ok ? 0 : 1;
}
