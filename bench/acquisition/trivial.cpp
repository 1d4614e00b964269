// The smallest window program: it creates a hidden window and ends. Timing
// it beside Pellix.exe shows what starting any program under Wine costs.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                  instance, nullptr);
    DestroyWindow(window);
    return 0;
}
