// Takes the pictures of the README: runs Pellix.exe with the virtual
// scanner, opens each window in turn and saves it as a bitmap.
// Usage: pellix_screenshots PELLIX_EXE OUTPUT_FOLDER
#include "app/mainwindow/main_window.h"
#include "app/settings/options_dialog.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace pellix;

struct Search {
    DWORD process;
    const wchar_t* title;
    HWND found;
};

BOOL CALLBACK Match(HWND window, LPARAM l) {
    auto* search = reinterpret_cast<Search*>(l);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t text[256] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        2000, &copied);
    if (process == search->process && IsWindowVisible(window) &&
        std::wstring(text) == search->title) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(DWORD process, const wchar_t* title) {
    for (int i = 0; i < 400; ++i) {
        Search search{process, title, nullptr};
        EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            Sleep(400); // let it paint
            return search.found;
        }
        Sleep(50);
    }
    std::fwprintf(stderr, L"no window \"%ls\"\n", title);
    return nullptr;
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

PROCESS_INFORMATION Start(const std::wstring& exe, const std::wstring& tail) {
    std::wstring line = L"\"" + exe + L"\"" + (tail.empty() ? L"" : L" " + tail);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                   &process);
    return process;
}

void Finish(PROCESS_INFORMATION& process) {
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
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
    PROCESS_INFORMATION program = Start(exe, L"");
    HWND main = WaitForWindow(program.dwProcessId, L"Pellix");
    if (!main) {
        return 1;
    }
    PostMessageW(main, WM_COMMAND, mnuScan, 0);
    Sleep(3000);
    ok &= Capture(main, out + L"main-window.bmp");
    PostMessageW(main, WM_COMMAND, mnuOpties, 0);
    HWND options = WaitForWindow(program.dwProcessId, L"Pellix - Options");
    ok &= Capture(options, out + L"options-quality.bmp");
    PostMessageW(GetDlgItem(options, kOptionsTabId), WM_KEYDOWN, VK_RIGHT, 0);
    ok &= Capture(options, out + L"options-filename.bmp");
    PostMessageW(options, WM_COMMAND, IDCANCEL, 0);
    Sleep(300);
    PostMessageW(main, WM_COMMAND, mnuOver, 0);
    HWND about = WaitForWindow(program.dwProcessId, L"About Pellix");
    ok &= Capture(about, out + L"about.bmp");
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    Sleep(300);
    PostMessageW(main, WM_CLOSE, 0, 0);
    HWND question = WaitForWindow(program.dwProcessId, L"Pellix beeindigen");
    ok &= Capture(question, out + L"close-question.bmp");
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    Finish(program);

    // The file-name prompt of a scan into a folder (the settings beside the
    // program ask for it).
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"Scans";
    CreateDirectoryW(folder.c_str(), nullptr);
    PROCESS_INFORMATION run = Start(exe, folder);
    HWND prompt = WaitForWindow(run.dwProcessId, L"Pellix filename");
    ok &= Capture(prompt, out + L"filename-prompt.bmp");
    PostMessageW(prompt, WM_CLOSE, 0, 0);
    Finish(run);
    return ok ? 0 : 1;
}
