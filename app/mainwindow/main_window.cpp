#include "app/mainwindow/main_window.h"

#include "app/startup/app_state.h"
#include "app/startup/filetools.h"

namespace pellix {
namespace {

constexpr wchar_t kClassName[] = L"PellixMainWindow";

bool RegisterMainClass() {
    static const ATOM atom = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hIcon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1));
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc);
    }();
    return atom != 0;
}

} // namespace

MainWindow::MainWindow() = default;

MainWindow::~MainWindow() {
    if (window_) {
        DestroyWindow(window_);
    }
}

bool MainWindow::Load() {
    if (!RegisterMainClass()) {
        return false;
    }
    window_ = CreateWindowExW(0, kClassName, L"Pellix", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                              CW_USEDEFAULT, CW_USEDEFAULT, 640, 440, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (!window_) {
        return false;
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
    folderLabel_ = CreateWindowExW(0, L"STATIC", CurrentFolder.c_str(),
                                   WS_CHILD | WS_VISIBLE | SS_LEFT | SS_PATHELLIPSIS, 8, 8, 600, 20,
                                   window_, nullptr, GetModuleHandleW(nullptr), nullptr);
    SendMessageW(folderLabel_, WM_SETFONT,
                 reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    return true;
}

void MainWindow::Show(int showCommand) {
    ShowWindow(window_, showCommand);
    UpdateWindow(window_);
}

bool MainWindow::MayClose() {
    if (ScanFile.empty() || WorkSaved) {
        return true;
    }
    const int answer = MessageBoxW(window_, L"You didn't save your work. Exit program?",
                                   L"Pellix beeindigen", MB_YESNO | MB_DEFBUTTON1);
    if (answer != IDYES) {
        return false;
    }
    DeleteIfExists(ScanFile);
    return true;
}

bool MainWindow::Unload() {
    if (!window_ || !MayClose()) {
        return false;
    }
    HWND window = window_;
    window_ = nullptr;
    DestroyWindow(window);
    return true;
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->Handle(window, message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT MainWindow::Handle(HWND window, UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_CLOSE:
        Unload();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, w, l);
    }
}

} // namespace pellix
