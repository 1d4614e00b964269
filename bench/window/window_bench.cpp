// The main window's speed under Wine.
//
//   window_bench start PELLIX_EXE [runs]  process start to the first painted,
//                                         idle main window; beside a plain
//                                         window program's (this one, "plain")
//   window_bench scroll [dpi] [steps]     painting one scroll step of an A4
//                                         page (600 dpi by default); beside
//                                         painting the whole viewport once
//                                         from a bitmap in memory, through
//                                         the paint cycle
//   window_bench plain                    a window and its message loop
//
// Prints "name value" lines, milliseconds.
#include "app/mainwindow/main_window.h"
#include "app/startup/app_state.h"
#include "app/startup/filetools.h"

#include "bench/timing.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using pellix::bench::Median;
const auto Now = pellix::bench::NowMs;

using namespace pellix;

// Start to idle: the program has painted its first window and waits for
// input. Then the window is asked to close.
double StartToIdle(const std::wstring& exe, const std::wstring& tail, const wchar_t* windowClass) {
    std::wstring line = L"\"" + exe + L"\"" + (tail.empty() ? L"" : L" " + tail);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const double start = Now();
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return -1;
    }
    WaitForInputIdle(process.hProcess, 30000);
    HWND window = nullptr;
    while (!(window = FindWindowW(windowClass, nullptr)) && Now() - start < 30000) {
        Sleep(1);
    }
    // The first paint has been handled once the window answers.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &ignored);
    const double elapsed = Now() - start;
    PostMessageW(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(process.hProcess, 30000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

int Start(const std::wstring& pellix, int runs) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    StartToIdle(pellix, L"", L"PellixMainWindow"); // warm the file cache
    StartToIdle(self, L"plain", L"PellixPlainWindow");
    std::vector<double> ours, plain;
    for (int i = 0; i < runs; ++i) {
        ours.push_back(StartToIdle(pellix, L"", L"PellixMainWindow"));
        plain.push_back(StartToIdle(self, L"plain", L"PellixPlainWindow"));
    }
    std::printf("start_to_paint %.1f\nplain_window_start %.1f\n", Median(ours), Median(plain));
    return 0;
}

LRESULT CALLBACK PlainProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, w, l);
}

int Plain() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PlainProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = L"PellixPlainWindow";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, L"Plain", WS_OVERLAPPEDWINDOW, 0, 0, 640,
                                  420, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        DispatchMessageW(&msg);
    }
    return 0;
}

// An A4 page at `dpi` as a 24-bit bitmap file of soft colour gradients.
bool WritePage(const std::wstring& path, int dpi) {
    const int width = 827 * dpi / 100;
    const int height = 1169 * dpi / 100;
    const DWORD stride = (DWORD(width) * 3 + 3) & ~3u;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    file.bfType = 0x4d42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + stride * height;
    HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    bool ok = WriteFile(out, &file, sizeof file, &written, nullptr) &&
              WriteFile(out, &info, sizeof info, &written, nullptr);
    std::vector<unsigned char> row(stride);
    for (int y = 0; ok && y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            row[x * 3] = static_cast<unsigned char>(x * 255 / width);
            row[x * 3 + 1] = static_cast<unsigned char>(y * 255 / height);
            row[x * 3 + 2] = static_cast<unsigned char>((x + y) & 0xff);
        }
        ok = WriteFile(out, row.data(), stride, &written, nullptr) != FALSE;
    }
    CloseHandle(out);
    return ok;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        DispatchMessageW(&msg);
    }
}

struct PaintFloor {
    BITMAPINFO info;
    std::vector<unsigned char> pixels;
};

LRESULT CALLBACK FloorProcedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(
            window, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<const CREATESTRUCTW*>(l)->lpCreateParams));
    } else if (message == WM_PAINT) {
        const auto* floor =
            reinterpret_cast<const PaintFloor*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        StretchDIBits(dc, 0, 0, floor->info.bmiHeader.biWidth, floor->info.bmiHeader.biHeight, 0, 0,
                      floor->info.bmiHeader.biWidth, floor->info.bmiHeader.biHeight,
                      floor->pixels.data(), &floor->info, DIB_RGB_COLORS, SRCCOPY);
        EndPaint(window, &ps);
        return 0;
    } else if (message == WM_ERASEBKGND) {
        return 1;
    }
    return DefWindowProcW(window, message, w, l);
}

// One step: the scroll message and the paint it causes, of the page and of
// the bar, all done before the clock stops.
double Step(HWND view, HWND bar, bool vertical, int code) {
    const double start = Now();
    SendMessageW(view, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, 0),
                 reinterpret_cast<LPARAM>(bar));
    // The view and the bar, both painted.
    UpdateWindow(view);
    UpdateWindow(bar);
    GdiFlush();
    return Now() - start;
}

int Scroll(int dpi, int steps) {
    const std::wstring page = GetTempFile();
    if (page.empty() || !WritePage(page, dpi)) {
        std::fprintf(stderr, "no page\n");
        return 1;
    }
    CurrentFolder = L"C:\\";
    MainWindow window;
    if (!window.Load()) {
        return 1;
    }
    window.Show(SW_SHOWNORMAL);
    window.View().ShowPicture(page);
    window.View().RecalculateScrollbars();
    Pump();
    HWND view = window.View().Window();
    HWND vBar = nullptr;
    HWND hBar = nullptr;
    for (HWND child = GetWindow(view, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        wchar_t name[32] = {};
        GetClassNameW(child, name, 32);
        if (std::wstring(name) == L"ScrollBar") {
            ((style & SBS_VERT) ? vBar : hBar) = child;
        }
    }
    // Runs of steps as a user makes them: line steps down from the top,
    // line steps right from the left edge, page steps down.
    std::vector<double> down, right, pageStep;
    for (int i = 0; i < steps; ++i) {
        down.push_back(Step(view, vBar, true, SB_LINEDOWN));
        Pump();
    }
    for (int i = 0; i < steps; ++i) {
        right.push_back(Step(view, hBar, false, SB_LINEDOWN));
        Pump();
    }
    Step(view, vBar, true, SB_TOP);
    for (int i = 0; i < steps; ++i) {
        if (i % 8 == 7) {
            Step(view, vBar, true, SB_TOP);
        }
        pageStep.push_back(Step(view, vBar, true, SB_PAGEDOWN));
        Pump();
    }
    // The process at its highest while it showed and scrolled the page:
    // its whole working set, the mapped page included (under Wine only
    // the working set keeps a true peak).
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    const double pageMb =
        double((DWORD(827 * dpi / 100) * 3 + 3) & ~3u) * (1169 * dpi / 100) / 1048576.0;
    // The floor: a plain window of the viewport's size over it that paints
    // a 24-bit bitmap from memory in its paint cycle, invalidated whole and
    // painted once: what any repaint of that area costs here.
    RECT client{};
    GetClientRect(view, &client);
    PaintFloor floor{};
    floor.info.bmiHeader.biSize = sizeof floor.info.bmiHeader;
    floor.info.bmiHeader.biWidth = client.right;
    floor.info.bmiHeader.biHeight = client.bottom;
    floor.info.bmiHeader.biPlanes = 1;
    floor.info.bmiHeader.biBitCount = 24;
    floor.pixels.assign(((std::size_t(client.right) * 3 + 3) & ~std::size_t(3)) * client.bottom,
                        0x80);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FloorProcedure;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PellixPaintFloor";
    RegisterClassExW(&wc);
    HWND plain = CreateWindowExW(0, wc.lpszClassName, L"", WS_CHILD | WS_VISIBLE, 0, 0,
                                 client.right, client.bottom, view, nullptr, wc.hInstance, &floor);
    Pump();
    std::vector<double> blit;
    for (int i = 0; i < steps; ++i) {
        const double start = Now();
        InvalidateRect(plain, nullptr, FALSE);
        UpdateWindow(plain);
        GdiFlush();
        blit.push_back(Now() - start);
    }
    DestroyWindow(plain);
    window.View().HidePicture();
    DeleteFileW(page.c_str());
    std::printf("scroll_step_down %.2f\nscroll_step_right %.2f\nscroll_page_step %.2f\n"
                "viewport_copy %.2f\nviewport_pixels %ldx%ld\n"
                "view_peak_working_mb %.1f\nview_page_mb %.1f\n",
                Median(down), Median(right), Median(pageStep), Median(blit), client.right,
                client.bottom, memory.PeakWorkingSetSize / 1048576.0, pageMb);
    window.Destroy();
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"start" && argc > 2) {
        return Start(argv[2], argc > 3 ? std::max(1, _wtoi(argv[3])) : 7);
    }
    if (mode == L"scroll") {
        return Scroll(argc > 2 ? _wtoi(argv[2]) : 600, argc > 3 ? std::max(1, _wtoi(argv[3])) : 40);
    }
    if (mode == L"plain") {
        return Plain();
    }
    std::fprintf(stderr, "usage: window_bench start PELLIX_EXE [runs] | scroll [dpi] [steps]\n");
    return 2;
}
