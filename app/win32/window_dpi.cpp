#include "app/win32/window_dpi.h"

#include "common/win32/unique_any.h"

namespace pellix {

int WindowDpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi && window) {
        if (const UINT dpi = getDpi(window)) {
            return static_cast<int>(dpi);
        }
    }
    const unique_hdc_window screen(nullptr);
    const int dpi = GetDeviceCaps(screen.get(), LOGPIXELSY);
    return dpi > 0 ? dpi : 96;
}

} // namespace pellix
