// frmMain: the program's main window. Shown for an interactive start;
// loaded hidden for a scan-to-folder run, where it lends its handle as the
// owner of the scanner's dialog.
#pragma once

#include <windows.h>

namespace pellix {

class MainWindow {
public:
    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window (not shown) and shows CurrentFolder in it.
    bool Load();
    void Show(int showCommand);
    HWND Handle() const { return window_; }

    // Closes the window after the close check; false when the user kept it.
    bool Unload();

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(HWND window, UINT message, WPARAM w, LPARAM l);
    bool MayClose();

    HWND window_ = nullptr;
    HWND folderLabel_ = nullptr;
};

} // namespace pellix
