// frmMain: the program's main window. Shown for an interactive start;
// loaded hidden for a scan-to-folder run, where it lends its handle as the
// owner of the scanner's dialog.
#pragma once

#include "app/mainwindow/page_view.h"
#include "app/mainwindow/toolbar_images.h"
#include "common/win32/unique_any.h"

#include <windows.h>

#include <string>

namespace pellix {

// Control identifiers, also used by tests to find the controls.
enum MainWindowId : int {
    kToolbarId = 1001,
    kFolderStripId = 1002,
    kFolderCaptionId = 1003,
    kCurrentFolderLabelId = 1004,
    kViewId = 1005,
    kStatusBarId = 1006,
};

// Menu and toolbar commands.
enum Command : int {
    mnuSelecteerBron = 2001,
    mnuOpslaan,
    mnuOpslaanAls,
    mnuAfsluiten,
    mnuScan,
    mnuOpties,
    mnuContents,
    mnuOver,
};

class MainWindow {
public:
    MainWindow() = default;
    ~MainWindow() = default;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    enum class LoadAs {
        Interactive, // with all its controls
        OwnerOnly,   // the bare frame: all the unattended run needs
    };
    // Creates the window (not shown). Interactive: with all its controls,
    // CurrentFolder in its folder strip. OwnerOnly: the frame alone, which
    // lends its handle to the scanner's dialog and the filename prompt;
    // building controls nobody sees would only slow the run down.
    bool Load(LoadAs as = LoadAs::Interactive);
    void Show(int showCommand);
    HWND Handle() const { return window_.get(); }
    PageView& View() { return view_; }

    // Closes the window after the close check; false when the user kept it.
    bool Unload();
    // Closes the window without the check (the end of an unattended run,
    // whose window was never shown).
    void Destroy();

    // Runs a menu or toolbar command.
    void Run(int command);
    // A toolbar button's key, compared in lower case.
    void RunToolbarKey(const std::wstring& key);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT Handle(HWND window, UINT message, WPARAM w, LPARAM l);
    void CreateMenus();
    void CreateToolbar();
    void SetToolbarImages();
    void CreateFolderStrip();
    void LayOut();
    bool MayClose();
    int Dpi() const;

    // The document commands (main_window_commands.cpp).
    void Scan();
    void SelectSource();
    void Save();
    void SaveAs();
    bool SaveScan(const std::wstring& destination);
    void OpenHelp();
    void ShowFolder();

    HWND toolbar_ = nullptr;
    unique_himagelist toolbarImages_;
    HWND folderStrip_ = nullptr;
    HWND folderLabel_ = nullptr;
    HWND status_ = nullptr;
    unique_hfont font_;
    PageView view_;
    // The file of the last completed Save as since the last scan.
    std::wstring SaveFileName;
    // Last, so that the window and its children go first, while the view,
    // the font and the images they use are still there.
    unique_hwnd window_;
};

} // namespace pellix
