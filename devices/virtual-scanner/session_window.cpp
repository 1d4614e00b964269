#include "devices/virtual-scanner/session_window.h"

#include <stdexcept>

namespace pellix::vscan {

namespace {

constexpr wchar_t kClassName[] = L"PellixVirtualScannerSession";
constexpr UINT kRunMessage = WM_APP + 1;
constexpr UINT_PTR kTimerId = 1;

} // namespace

SessionWindow::SessionWindow(HINSTANCE module) : module_(module) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = module_;
    windowClass.lpszClassName = kClassName;
    RegisterClassExW(&windowClass); // fails harmlessly when already there
    window_.reset(
        CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, module_, this));
    if (!window_.get()) {
        UnregisterClassW(kClassName, module_);
        throw std::runtime_error("no session window");
    }
}

SessionWindow::~SessionWindow() {
    Cancel();
    window_.reset();
    // The class goes with the session, so an unloaded module leaves none.
    UnregisterClassW(kClassName, module_);
}

void SessionWindow::Schedule(unsigned delayMs, std::function<void()> action) {
    Cancel();
    action_ = std::move(action);
    if (delayMs == 0) {
        PostMessageW(window_.get(), kRunMessage, generation_, 0);
    } else {
        SetTimer(window_.get(), kTimerId, delayMs, nullptr);
    }
}

void SessionWindow::Cancel() {
    KillTimer(window_.get(), kTimerId);
    action_ = nullptr;
    ++generation_; // a run message already posted finds nothing to do
}

void SessionWindow::Run(WPARAM generation) {
    if (generation != generation_ || !action_) {
        return;
    }
    KillTimer(window_.get(), kTimerId);
    // The action may end the session, and with it this object.
    auto action = std::move(action_);
    action_ = nullptr;
    ++generation_;
    action();
}

LRESULT CALLBACK SessionWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<SessionWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    try {
        if (self && message == kRunMessage) {
            self->Run(wParam);
            return 0;
        }
        if (self && message == WM_TIMER && wParam == kTimerId) {
            self->Run(self->generation_);
            return 0;
        }
    } catch (...) {
        // Nothing may leave a window procedure; the scan just does not happen.
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace pellix::vscan
