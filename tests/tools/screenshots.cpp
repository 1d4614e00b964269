// Takes the pictures of the README: runs Pellix.exe with the virtual
// scanner, opens each window in turn and saves it as a bitmap.
// Usage: pellix_screenshots PELLIX_EXE OUTPUT_FOLDER
#include "app/mainwindow/main_window.h"
#include "app/settings/options_dialog.h"
#include "tests/support/pellix_process.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace pellix;

// A visible window of `program` with this caption, given time to paint.
HWND WaitForWindow(const test::Program& program, const wchar_t* title) {
    HWND window = program.Window(title);
    if (!window) {
        std::fwprintf(stderr, L"no window \"%ls\"\n", title);
        return nullptr;
    }
    Sleep(400);
    return window;
}

// The window as it shows on the screen, as a 24-bit bitmap file.
bool Capture(HWND window, const std::wstring& path) {
    if (!window) {
        return false;
    }
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = (DWORD(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{};
    file.bfType = 0x4d42;
    file.bfOffBits = sizeof file + sizeof info.bmiHeader;
    file.bfSize = file.bfOffBits + stride * height;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    bool ok = out != INVALID_HANDLE_VALUE &&
              WriteFile(out, &file, sizeof file, &written, nullptr) &&
              WriteFile(out, &info.bmiHeader, sizeof info.bmiHeader, &written, nullptr) &&
              WriteFile(out, bits, stride * DWORD(height), &written, nullptr);
    if (out != INVALID_HANDLE_VALUE) {
        CloseHandle(out);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: pellix_screenshots PELLIX_EXE OUTPUT_FOLDER\n");
        return 2;
    }
    const std::wstring exe = argv[1];
    const std::wstring out = std::wstring(argv[2]) + L"\\";
    SetEnvironmentVariableW(L"PELLIX_VSCAN_ANSWER", L"scan");
    SetEnvironmentVariableW(L"PELLIX_VSCAN_DPI", L"75");
    bool ok = true;

    // The main window with a page, the Options dialog on both tabs, the
    // About box and the close question.
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    test::Program program(exe, L"", current);
    HWND main = WaitForWindow(program, L"Pellix");
    if (!main) {
        return 1;
    }
    PostMessageW(main, WM_COMMAND, mnuScan, 0);
    Sleep(3000);
    ok &= Capture(main, out + L"main-window.bmp");
    PostMessageW(main, WM_COMMAND, mnuOpties, 0);
    HWND options = WaitForWindow(program, L"Pellix - Options");
    ok &= Capture(options, out + L"options-quality.bmp");
    PostMessageW(GetDlgItem(options, kOptionsTabId), WM_KEYDOWN, VK_RIGHT, 0);
    ok &= Capture(options, out + L"options-filename.bmp");
    PostMessageW(options, WM_COMMAND, IDCANCEL, 0);
    Sleep(300);
    PostMessageW(main, WM_COMMAND, mnuOver, 0);
    HWND about = WaitForWindow(program, L"About Pellix");
    ok &= Capture(about, out + L"about.bmp");
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    Sleep(300);
    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND question = WaitForWindow(program, L"Pellix beeindigen");
    ok &= Capture(question, out + L"close-question.bmp");
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    program.Ended(10000);

    // The file-name prompt of a scan into a folder (the settings beside the
    // program ask for it).
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"Scans";
    CreateDirectoryW(folder.c_str(), nullptr);
    test::Program run(exe, folder, current);
    HWND prompt = WaitForWindow(run, L"Pellix filename");
    ok &= Capture(prompt, out + L"filename-prompt.bmp");
    PostMessageW(prompt, WM_CLOSE, 0, 0);
    run.Ended(10000);
    return ok ? 0 : 1;
}
