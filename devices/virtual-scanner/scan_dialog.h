// The scanner's own window: a small modeless dialog owned by the
// application's window, with a resolution and a colour mode choice and Scan
// and Cancel buttons. It only reports what the user chose; the session
// decides what follows.
#pragma once

#include "common/win32/unique_any.h"
#include "devices/virtual-scanner/core/page_format.h"

#include <functional>

namespace pellix::vscan {

class ScanDialog {
public:
    struct Choice {
        int dpi;
        PixelKind kind;
    };
    enum class Outcome { Scan, Cancel };
    // Called at most once per button press. It may destroy the dialog.
    using Handler = std::function<void(Outcome, Choice)>;

    // Throws std::runtime_error when the dialog cannot be made.
    ScanDialog(HINSTANCE module, HWND owner, Choice initial, Handler handler);
    ~ScanDialog() = default;
    ScanDialog(const ScanDialog&) = delete;
    ScanDialog& operator=(const ScanDialog&) = delete;

    HWND Handle() const { return window_.get(); }
    void Hide() { ShowWindow(window_.get(), SW_HIDE); }
    // Presses a button as the user would.
    void Press(Outcome outcome);
    // Keyboard navigation of the dialog; true when the message was its own.
    bool HandleMessage(MSG& message);

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void FillChoices(HWND hwnd);
    Choice ReadChoice() const;

    Choice initial_;
    Handler handler_;
    unique_hwnd window_;
};

} // namespace pellix::vscan
