// A hidden message-only window that runs one pending action later, on the
// application's thread, from its message loop: right after the current
// TWAIN call has returned, or after a delay.
#pragma once

#include "common/win32/unique_any.h"

#include <functional>

namespace pellix::vscan {

class SessionWindow {
public:
    explicit SessionWindow(HINSTANCE module);
    ~SessionWindow();
    SessionWindow(const SessionWindow&) = delete;
    SessionWindow& operator=(const SessionWindow&) = delete;

    // Replaces any pending action. A delay of 0 runs it as soon as the
    // message loop gets to it.
    void Schedule(unsigned delayMs, std::function<void()> action);
    void Cancel();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void Run(WPARAM generation);

    HINSTANCE module_;
    unique_hwnd window_;
    std::function<void()> action_;
    WPARAM generation_ = 0;
};

} // namespace pellix::vscan
