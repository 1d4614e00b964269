// frmDialog: the small topmost prompt in which a scan-to-folder run lets
// the user confirm or change the proposed file name.
#pragma once

#include "common/win32/unique_any.h"

#include <windows.h>

#include <cstdint>
#include <string>

namespace pellix {

// Makes a window topmost (flag -1), not topmost (0) or puts it on top of
// its band (any other value), without moving, sizing or activating it, and
// shows it.
void KeepOnTop(HWND window, std::int16_t flag);

class FilenamePrompt {
public:
    // Loads the prompt, hidden, owned by `owner` (so it has no taskbar
    // button), with `proposal` in its text box.
    FilenamePrompt(HWND owner, const std::wstring& proposal);
    ~FilenamePrompt() = default;
    FilenamePrompt(const FilenamePrompt&) = delete;
    FilenamePrompt& operator=(const FilenamePrompt&) = delete;

    HWND Window() const { return window_.get(); }
    // "Ready" once the user answered with OK, Cancel or the close box.
    const std::wstring& Tag() const { return tag_; }
    std::wstring Text() const;

    // Shows the prompt topmost without activating it, gives it the focus,
    // and processes window events until the user answers. Returns the name
    // the user left in the box; Cancel and the close box give empty text.
    std::wstring Ask();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(UINT message, WPARAM w, LPARAM l);
    void CreateControls();
    void Answer(bool cancel);

    unique_hfont font_;
    unique_hfont smallFont_;
    std::wstring tag_;
    HWND text_ = nullptr;
    // Last, so that the window goes first, while everything it uses is there.
    unique_hwnd window_;
};

} // namespace pellix
